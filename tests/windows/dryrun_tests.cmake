# The dry-run tool under Wine, in a deployment folder beside the launcher.
add_test(NAME dryrun_under_wine
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/dryrun_under_wine.py
    --dryrun $<TARGET_FILE:kovlaunch_dryrun>
    --launcher $<TARGET_FILE:kovlaunch>
    --morvane $<TARGET_FILE:morvane>
    --stub-installer $<TARGET_FILE:stub_installer>)
set_tests_properties(dryrun_under_wine PROPERTIES TIMEOUT 600)
