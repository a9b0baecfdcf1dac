# The configuration: parser, lookup, install detection, start-up values.
add_executable(config_tests
  config/ConfigParserTest.cpp
  config/InstallDetectionTest.cpp)
target_link_libraries(config_tests PRIVATE app_core GTest::gtest_main)
target_compile_definitions(config_tests PRIVATE
  LAUNCHER_SHIPPED_CONFIG="${CMAKE_SOURCE_DIR}/resources/config.ini")
gtest_discover_tests(config_tests)
