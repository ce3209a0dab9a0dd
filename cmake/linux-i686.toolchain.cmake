# 32-bit Linux (i686) with the build machine's g++ and -m32 (Debian:
# g++-multilib), for the unit tests with a 32-bit size_t and ptrdiff_t and
# the board platform's SSE2 arithmetic. Where the kernel runs no 32-bit
# programs, name an emulator for the tests:
#
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.toolchain.cmake \
#         -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

find_program(CMAKE_C_COMPILER NAMES gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES g++ REQUIRED)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()
