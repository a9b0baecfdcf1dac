# The launcher's benchmark (app_bench.exe): start-up to first paint against
# a bare window program (bare_window.exe), the window region against the
# per-pixel method, the peak memory of a launcher during a download
# (launcher_bench.exe, whose download address is the loopback package
# server of run_app_bench.sh) and the size of launcher.exe. Windows only;
# run it with run_app_bench.sh here.
set(APP_BENCH_DIR ${CMAKE_BINARY_DIR}/bench/app)

add_executable(bare_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/BareWindow.cpp)
# Linked as the launcher is.
target_link_options(bare_window PRIVATE -municode -s -Wl,--gc-sections)
target_link_libraries(bare_window PRIVATE user32 gdi32)

add_launcher(launcher_bench ${CMAKE_CURRENT_LIST_DIR}/bench_config.ini)

configure_file(${CMAKE_CURRENT_LIST_DIR}/app_bench.rc.in ${APP_BENCH_DIR}/app_bench.rc @ONLY)
add_executable(app_bench
  ${CMAKE_CURRENT_LIST_DIR}/AppBench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChildProgram.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirstPaintProbe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PerPixelRegion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResourceImage.cpp
  ${APP_BENCH_DIR}/app_bench.rc)
target_link_options(app_bench PRIVATE -municode)
target_link_libraries(app_bench PRIVATE platform_win_app psapi)
add_dependencies(app_bench launcher launcher_bench bare_window demo_installer)
set_target_properties(app_bench bare_window launcher_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${APP_BENCH_DIR})
