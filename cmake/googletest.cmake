# GoogleTest for a build that has no installed one to use (a cross build to
# Windows: Debian's libgtest is built for the machine, not the target).
# Debian's googletest package ships the sources; built here with the
# project's compiler, as the targets find_package(GTest) would give.
if(NOT TARGET GTest::gtest_main)
  set(KX_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH
      "GoogleTest sources, built when no installed GoogleTest is found")
  if(NOT EXISTS ${KX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest found, and no sources in ${KX_GOOGLETEST_SOURCE} (Debian: googletest)")
  endif()
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_SHARED_LIBS OFF)
  add_subdirectory(${KX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Its code is not ours to keep warning-free on every compiler.
  foreach(t gtest gtest_main)
    target_compile_options(${t} PRIVATE -Wno-error)
  endforeach()
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
