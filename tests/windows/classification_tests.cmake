# osinfo.exe under Wine, for every Windows version Wine can report, on the
# 64-bit and the 32-bit test prefix.
add_test(NAME classification_under_wine
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/classification_under_wine.py
    --osinfo $<TARGET_FILE:osinfo_tool>)
set_tests_properties(classification_under_wine PROPERTIES TIMEOUT 900)
