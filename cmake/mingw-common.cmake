# What both mingw-w64 toolchain files share; KX_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
if(KX_MINGW_TRIPLET MATCHES "^i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
endif()

# Debian ships each compiler in two thread models; the posix one has the
# C++ thread library (std::mutex, which GoogleTest needs) on winpthreads,
# linked in statically below like the rest of the runtime.
find_program(CMAKE_C_COMPILER NAMES ${KX_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KX_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KX_MINGW_TRIPLET}-windres)
find_program(KX_DLLTOOL NAMES ${KX_MINGW_TRIPLET}-dlltool)
find_program(KX_OBJDUMP NAMES ${KX_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime (libstdc++, libgcc, winpthreads) goes into every module,
# so a plug-in needs no DLL but the host's, kxdrv.dll and Windows' own. Each
# module then has its own copy of the unwinder: no C++ exception may cross a
# module boundary.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()
