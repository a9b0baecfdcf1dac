# The element toolkit's paint benchmark (ui_bench.exe) and screenshot
# program (ui_screenshot.exe), both drawing the launcher's complete screen
# with real GDI+. Windows only; run them under Wine (see README.md here).
configure_file(${CMAKE_CURRENT_LIST_DIR}/ui_bench.rc.in ${CMAKE_BINARY_DIR}/bench/ui/ui_bench.rc @ONLY)

# The launcher's own screen layout (app_core), built for an off-screen window.
add_library(ui_bench_screen STATIC
  ${CMAKE_CURRENT_LIST_DIR}/BenchScreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OffscreenWindowSystem.cpp)
target_link_libraries(ui_bench_screen PUBLIC app_core ui_core platform_win_ui)

add_executable(ui_bench ${CMAKE_CURRENT_LIST_DIR}/UiBench.cpp ${CMAKE_BINARY_DIR}/bench/ui/ui_bench.rc)
target_link_libraries(ui_bench PRIVATE ui_bench_screen)

add_executable(ui_screenshot ${CMAKE_CURRENT_LIST_DIR}/UiScreenshot.cpp ${CMAKE_BINARY_DIR}/bench/ui/ui_bench.rc)
target_link_libraries(ui_screenshot PRIVATE ui_bench_screen)
set_target_properties(ui_bench ui_screenshot PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench/ui)
