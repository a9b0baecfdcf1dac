# Code page 936 on the real platform: the table against MultiByteToWideChar,
# and the Windows build's conversion against the portable one.
add_wine_test(cp936_wine_tests cp936/Cp936PlatformTest.cpp)
target_link_libraries(cp936_wine_tests PRIVATE config_core)
