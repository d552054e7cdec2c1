# Linux build: the product code against the simulated Windows machine, with
# GoogleTest unit tests.

# WCHAR is 16 bits on Windows; the stand-in and everything built against it
# must agree, or record layouts and byte counts would differ.
add_compile_options(-fshort-wchar)

if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: "
    "run scripts/install-deps.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WIN32_STANDIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/win32_standin/*.cpp)
add_library(win32_standin STATIC ${WIN32_STANDIN_SOURCES})
target_include_directories(win32_standin PUBLIC
  ${CMAKE_SOURCE_DIR}/win32_standin/include
  ${CMAKE_SOURCE_DIR}/win32_standin
  ${CMAKE_SOURCE_DIR})
project_warnings(win32_standin)

add_library(osinfo STATIC ${OSINFO_SOURCES})
target_link_libraries(osinfo PUBLIC win32_standin)
project_warnings(osinfo)

add_library(launcher STATIC ${LAUNCHER_SOURCES} launcher/main.cpp)
target_link_libraries(launcher PUBLIC osinfo win32_standin)
project_warnings(launcher)

file(GLOB HOST_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(host_tests ${HOST_TEST_SOURCES})
target_link_libraries(host_tests PRIVATE launcher osinfo win32_standin GTest::gmock GTest::gtest_main)
project_warnings(host_tests)

include(GoogleTest)
gtest_discover_tests(host_tests NO_PRETTY_VALUES)
include(${CMAKE_SOURCE_DIR}/cmake/dryrun_targets.cmake)
