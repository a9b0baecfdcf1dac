# Cross-compiles the Windows program for 64-bit Windows with mingw-w64: the
# build whose tests run under 64-bit Wine on hosts without 32-bit support.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
