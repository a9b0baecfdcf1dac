# The mingw-w64 cross toolchain for the architecture MINGW_ARCH (i686 or
# x86_64), shared by cmake/mingw-i686.cmake and cmake/mingw-x86_64.cmake.
# The -posix compilers carry std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(CMAKE_C_COMPILER ${MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every Windows program (tests included) is linked statically, so that it
# needs no runtime DLL beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the Windows test programs under Wine through a wrapper that
# selects the build's own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
