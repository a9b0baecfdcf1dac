# Cross-compiles the Windows program for 32-bit Windows (the shipped PE32
# launcher) with mingw-w64.
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
