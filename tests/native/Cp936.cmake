# Code page 936: the table, what undefined units become, and the parser over
# text that holds them.
add_executable(cp936_tests cp936/Cp936Test.cpp)
target_link_libraries(cp936_tests PRIVATE config_core GTest::gtest_main)
gtest_discover_tests(cp936_tests)
