# The configuration seams on the real platform: resources, registry,
# environment.
configure_file(${CMAKE_CURRENT_LIST_DIR}/config/config_test.rc.in ${CMAKE_CURRENT_BINARY_DIR}/config_test.rc @ONLY)
add_wine_test(config_wine_tests config/ConfigPlatformTest.cpp ${CMAKE_CURRENT_BINARY_DIR}/config_test.rc)
target_link_libraries(config_wine_tests PRIVATE app_core platform_win)
