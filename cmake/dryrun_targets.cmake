# The launcher's dry run: a library of the report and its two forms, built on
# the host against the stand-in (for the unit tests) and for Windows, where
# kovlaunch-dryrun.exe wraps it.
add_library(dryrun STATIC
  ${CMAKE_SOURCE_DIR}/tools/dryrun/dryrun_collect.cpp
  ${CMAKE_SOURCE_DIR}/tools/dryrun/dryrun_command.cpp
  ${CMAKE_SOURCE_DIR}/tools/dryrun/dryrun_render.cpp)
target_link_libraries(dryrun PUBLIC launcher osinfo)
project_warnings(dryrun)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # A console program; no manifest of its own, so it runs as whoever starts it.
  add_executable(kovlaunch_dryrun ${CMAKE_SOURCE_DIR}/tools/dryrun_main.cpp)
  set_target_properties(kovlaunch_dryrun PROPERTIES OUTPUT_NAME kovlaunch-dryrun)
  target_link_libraries(kovlaunch_dryrun PRIVATE dryrun)
  target_link_options(kovlaunch_dryrun PRIVATE -municode -s ${STATIC_RUNTIME})
  project_warnings(kovlaunch_dryrun)
else()
  target_link_libraries(host_tests PRIVATE dryrun)
endif()
