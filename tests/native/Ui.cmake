# The element toolkit against a recording fake of the drawing seam.
add_executable(ui_tests
  ui/ButtonTest.cpp
  ui/ElementTreeTest.cpp
  ui/ImageTest.cpp
  ui/ProgressTest.cpp
  ui/TextTest.cpp)
target_link_libraries(ui_tests PRIVATE ui_core GTest::gtest_main)
gtest_discover_tests(ui_tests)
