# Byte-identical Windows binaries from the same sources, whatever folder they
# are built in and whenever: administrators compare what we ship with their
# own build of the same commit.

# No build folder in the objects (__FILE__, .file records). The binary folder
# comes last so that it wins where it lies inside the source folder.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")

# ld writes the link time into the PE header and export table unless told
# not to; -s leaves out the symbol table, which names the object files.
add_link_options(-Wl,--no-insert-timestamp -s)

# Static libraries without member dates, owners and modes.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
