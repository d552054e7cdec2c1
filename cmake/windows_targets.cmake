# Windows build: the real launcher, the stand-in lookup library, and the tests
# that run under Wine.

include(${CMAKE_SOURCE_DIR}/cmake/reproducible.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/release.cmake)

# Link the toolchain's runtime in, so that the binaries need only Windows
# system DLLs (and the launcher morvane.dll).
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# The lookup library stand-in: exports ordinals 8 and 12 by ordinal only and
# always declines, so that the launcher's defaults apply.
add_library(morvane SHARED morvane_standin/morvane.cpp morvane_standin/morvane.def)
add_version_resource(morvane morvane.rc)
set_target_properties(morvane PROPERTIES PREFIX "" OUTPUT_NAME morvane)
target_include_directories(morvane PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(morvane PRIVATE ${STATIC_RUNTIME})
project_warnings(morvane)

add_library(osinfo STATIC ${OSINFO_SOURCES})
target_include_directories(osinfo PUBLIC ${CMAKE_SOURCE_DIR})
# user32 for GetSystemMetrics (the Server 2003 R2 metric).
target_link_libraries(osinfo PUBLIC user32)
project_warnings(osinfo)

add_library(launcher STATIC ${LAUNCHER_SOURCES})
target_link_libraries(launcher PUBLIC osinfo morvane advapi32 shell32)
project_warnings(launcher)

add_executable(kovlaunch WIN32 launcher/main.cpp resources/kovlaunch.rc)
target_link_libraries(kovlaunch PRIVATE launcher)
# Stripped: the launcher is copied to every endpoint at every logon.
target_link_options(kovlaunch PRIVATE -municode -s ${STATIC_RUNTIME})
target_include_directories(kovlaunch PRIVATE
  ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
# windres reads the manifest, but CMake does not see that dependency itself.
set_source_files_properties(resources/kovlaunch.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/kovlaunch.manifest)
project_warnings(kovlaunch)
include(${CMAKE_CURRENT_LIST_DIR}/kovlaunch_nocrt.cmake)

# osinfo.exe: what the library says of the machine it runs on.
add_executable(osinfo_tool tools/osinfo_main.cpp)
set_target_properties(osinfo_tool PROPERTIES OUTPUT_NAME osinfo)
target_link_libraries(osinfo_tool PRIVATE osinfo)
target_link_options(osinfo_tool PRIVATE -municode ${STATIC_RUNTIME})
project_warnings(osinfo_tool)

include(${CMAKE_SOURCE_DIR}/cmake/dryrun_targets.cmake)

# A release build leaves the tests (and GoogleTest) out.
option(KOVLAUNCH_WINDOWS_TESTS "Build the tests that run under Wine" ON)
if(KOVLAUNCH_WINDOWS_TESTS)
  include(${CMAKE_SOURCE_DIR}/tests/windows/targets.cmake)
endif()
