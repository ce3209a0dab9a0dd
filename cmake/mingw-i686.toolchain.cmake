# Cross build for 32-bit Windows, the board's own platform, with Debian's
# mingw-w64 i686 toolchain:
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.toolchain.cmake
set(KX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
