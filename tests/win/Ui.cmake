# The element toolkit drawn with real GDI+ under Wine, into off-screen
# pictures whose pixels the tests read back.
configure_file(ui/ui_test.rc.in ${CMAKE_CURRENT_BINARY_DIR}/ui_test.rc @ONLY)
add_wine_test(ui_wine_tests
  ui/GdiplusEnvironment.cpp
  ui/SkinImageTest.cpp
  ui/ElementDrawingTest.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/ui_test.rc)
target_link_libraries(ui_wine_tests PRIVATE ui_core platform_win_ui)
