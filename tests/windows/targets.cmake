# Tests of the Windows build. The executables among them run under Wine
# through CMAKE_CROSSCOMPILING_EMULATOR, in the prefixes that scripts/test.sh
# makes; the scripts read the built files or drive Wine themselves.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: "
    "run scripts/install-deps.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The library's real bindings checked against what Wine itself reports.
add_executable(osinfo_wine_tests ${CMAKE_SOURCE_DIR}/tests/windows/osinfo_wine_test.cpp)
target_link_libraries(osinfo_wine_tests PRIVATE osinfo GTest::gtest_main)
target_link_options(osinfo_wine_tests PRIVATE ${STATIC_RUNTIME})
project_warnings(osinfo_wine_tests)
add_test(NAME osinfo_wine_tests_win64 COMMAND osinfo_wine_tests)
add_test(NAME osinfo_wine_tests_win32 COMMAND osinfo_wine_tests)
set_tests_properties(osinfo_wine_tests_win32 PROPERTIES ENVIRONMENT KOVLAUNCH_WINE_ARCH=win32)

# A stand-in agent installer: records the command line it was started with.
add_executable(stub_installer WIN32 ${CMAKE_SOURCE_DIR}/tests/wine/stub_installer.cpp)
target_link_options(stub_installer PRIVATE -municode ${STATIC_RUNTIME})
project_warnings(stub_installer)

# A lookup library that names a service of its own, built as morvane.dll in a
# folder of its own.
add_library(morvane_answering SHARED
  ${CMAKE_SOURCE_DIR}/tests/wine/morvane_answering.cpp
  ${CMAKE_SOURCE_DIR}/morvane_standin/morvane.def)
set_target_properties(morvane_answering PROPERTIES PREFIX "" OUTPUT_NAME morvane
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/answering
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/answering)
target_include_directories(morvane_answering PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(morvane_answering PRIVATE ${STATIC_RUNTIME})
project_warnings(morvane_answering)

add_test(NAME launcher_pe_file
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/pe/check_pe.py
    $<TARGET_FILE:kovlaunch> $<TARGET_FILE:morvane> $<TARGET_FILE:morvane_answering>
    --version ${PROJECT_VERSION})

add_test(NAME launcher_under_wine
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/launcher_under_wine.py
    --launcher $<TARGET_FILE:kovlaunch>
    --morvane $<TARGET_FILE:morvane>
    --answering-morvane $<TARGET_FILE:morvane_answering>
    --stub-installer $<TARGET_FILE:stub_installer>)
set_tests_properties(launcher_under_wine PROPERTIES TIMEOUT 600)

# Tests of further parts of the product, each in a file of its own.
file(GLOB MORE_WINDOWS_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_tests.cmake)
foreach(more ${MORE_WINDOWS_TESTS})
  include(${more})
endforeach()
