# The benchmark's floor (scripts/bench.sh): a GUI program that only returns 0,
# linked as the launcher is, without the C runtime.
add_executable(empty_gui WIN32 ${CMAKE_SOURCE_DIR}/tests/wine/empty_gui.cpp)
target_compile_options(empty_gui PRIVATE -ffreestanding -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables)
target_link_options(empty_gui PRIVATE -s -nostdlib -nostartfiles -Wl,-e,_EmptyGuiEntry@0)
target_link_libraries(empty_gui PRIVATE kernel32)
project_warnings(empty_gui)
