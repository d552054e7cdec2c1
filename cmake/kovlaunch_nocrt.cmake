# kovlaunch.exe without the C runtime: Windows 95 carries no runtime DLL we
# could rely on, and the launcher is copied to every endpoint at every logon.
# It gets its own entry point and memory functions, and imports only from
# system DLLs and morvane.dll (tests/pe/check_pe.py holds it to that).

set(KOVLAUNCH_NOCRT_COMPILE_OPTIONS
  -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -fno-stack-protector)

target_sources(kovlaunch PRIVATE
  ${CMAKE_SOURCE_DIR}/launcher/entry_nocrt.cpp
  ${CMAKE_SOURCE_DIR}/launcher/memory_nocrt.cpp)
set_source_files_properties(${CMAKE_SOURCE_DIR}/launcher/memory_nocrt.cpp
  PROPERTIES COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns")

# The product code the launcher links, built the same way. The libraries'
# other users (the console tool, the Wine tests) are unaffected: the code
# throws nothing and asks for no type information.
foreach(target kovlaunch launcher osinfo)
  target_compile_options(${target} PRIVATE ${KOVLAUNCH_NOCRT_COMPILE_OPTIONS})
endforeach()

target_link_options(kovlaunch PRIVATE
  -nostdlib -nostartfiles -Wl,-e,_KovlaunchEntry@0
  # Windows 95 and NT 4.0 refuse images that ask for a later subsystem.
  -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
  -Wl,--major-os-version,4,--minor-os-version,0)
# libgcc for the stack probe of frames above 4 KiB; it imports nothing.
target_link_libraries(kovlaunch PRIVATE kernel32 gcc)
