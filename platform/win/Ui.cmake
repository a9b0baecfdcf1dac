# The drawing seam on Windows (GDI+ flat interface) and an off-screen bitmap.
if(WIN32)
  add_library(platform_win_ui STATIC
    win/OffscreenBitmap.cpp
    win/GdiplusGraphics.cpp
    win/GdiplusImage.cpp
    win/GdiplusSurface.cpp
    win/GdiplusText.cpp)
  target_link_libraries(platform_win_ui PUBLIC gdiplus ole32 gdi32 user32)
endif()
