# The release command: two releases built in different folders give the same
# bytes; a release signed with a throwaway certificate verifies, and its
# launcher still works under Wine. Each builds the shipped files afresh.

add_test(NAME release_reproducible
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/release/reproducible_release.py
    --work-dir ${CMAKE_BINARY_DIR}/release-reproducible
    --version ${PROJECT_VERSION})
set_tests_properties(release_reproducible PROPERTIES TIMEOUT 1200)

add_test(NAME release_signed
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/release/signed_release.py
    --work-dir ${CMAKE_BINARY_DIR}/release-signed
    --stub-installer $<TARGET_FILE:stub_installer>)
set_tests_properties(release_signed PROPERTIES TIMEOUT 900)
