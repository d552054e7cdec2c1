# The version predicates and fact queries under Wine, for several Windows
# versions set in a prefix that the driver copies from the test run's prefix.

add_executable(version_under_wine_tests
  ${CMAKE_SOURCE_DIR}/tests/windows/version_under_wine_test.cpp)
target_link_libraries(version_under_wine_tests PRIVATE osinfo GTest::gtest)
target_link_options(version_under_wine_tests PRIVATE ${STATIC_RUNTIME})
project_warnings(version_under_wine_tests)

foreach(arch win64 win32)
  add_test(NAME version_under_wine_${arch}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/version_under_wine.py
      --arch ${arch}
      --test-program $<TARGET_FILE:version_under_wine_tests>
      --work-dir ${CMAKE_BINARY_DIR}/wine-version)
  set_tests_properties(version_under_wine_${arch} PROPERTIES TIMEOUT 900)
endforeach()
