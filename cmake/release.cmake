# The files a release ships: each gets a version resource, and the build
# folder gets release-files.txt, the list scripts/release.sh lays out.

configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in
  ${CMAKE_BINARY_DIR}/generated/kovlaunch_version.h @ONLY)

function(add_version_resource target script)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/resources/${script})
  target_include_directories(${target} PRIVATE
    ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
endfunction()

# The tools (osinfo.exe, the dry run) are defined elsewhere and may be absent
# from a branch: they are looked for once every target is known. One that
# brings a resource script of its own keeps it; a second VERSIONINFO would
# break its link.
function(kovlaunch_release_files)
  set(shipped kovlaunch morvane)
  foreach(tool osinfo_tool kovlaunch_dryrun)
    if(NOT TARGET ${tool})
      continue()
    endif()
    list(APPEND shipped ${tool})
    get_target_property(sources ${tool} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.rc$")
    if(NOT sources)
      string(REPLACE "_tool" "" script ${tool})
      add_version_resource(${tool} ${script}.rc)
    endif()
  endforeach()
  set(lines "")
  foreach(target ${shipped})
    string(APPEND lines "${target}\t$<TARGET_FILE:${target}>\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/release-files.txt CONTENT "${lines}")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kovlaunch_release_files)
