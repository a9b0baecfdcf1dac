# The application's window, shell and entry-point support on Windows.
if(WIN32)
add_library(platform_win_app STATIC
  win/WinMainWindow.cpp
  win/WinShell.cpp
  win/WinWindowSystem.cpp
  win/WindowRegion.cpp)
target_include_directories(platform_win_app PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(platform_win_app PUBLIC app_core platform_win platform_win_tasks platform_win_ui
  gdiplus gdi32 user32 ole32 shell32)
endif()
