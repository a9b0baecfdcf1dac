# The application: flow, layout and clicks over fakes of every seam, with
# the real task manager and element tree.
add_executable(app_tests
  app/LauncherAppTest.cpp
  app/ScreenLayoutTest.cpp
  app/TaskEventViewTest.cpp
  app/WindowShapeTest.cpp)
target_link_libraries(app_tests PRIVATE app_core GTest::gtest_main)
gtest_discover_tests(app_tests)
