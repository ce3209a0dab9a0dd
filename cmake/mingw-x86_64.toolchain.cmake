# Cross build for 64-bit Windows with Debian's mingw-w64 x86_64 toolchain.
# Not what the board's users run (their MATLAB and kxdrv.dll are 32-bit), but
# the same sources through the same Windows loader, on machines whose wine
# runs only 64-bit programs.
set(KX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
