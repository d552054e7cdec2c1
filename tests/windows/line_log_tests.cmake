# The line log on a real volume under Wine, and several processes appending to
# one file at once (the test starts further copies of itself as the writers).
add_executable(line_log_wine_tests ${CMAKE_SOURCE_DIR}/tests/windows/line_log_wine_test.cpp)
target_link_libraries(line_log_wine_tests PRIVATE launcher GTest::gtest)
target_link_options(line_log_wine_tests PRIVATE -municode ${STATIC_RUNTIME})
project_warnings(line_log_wine_tests)
add_test(NAME line_log_wine_tests_win64 COMMAND line_log_wine_tests)
add_test(NAME line_log_wine_tests_win32 COMMAND line_log_wine_tests)
set_tests_properties(line_log_wine_tests_win64 line_log_wine_tests_win32 PROPERTIES TIMEOUT 600)
set_tests_properties(line_log_wine_tests_win32 PROPERTIES ENVIRONMENT KOVLAUNCH_WINE_ARCH=win32)
