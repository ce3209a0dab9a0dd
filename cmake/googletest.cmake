# GoogleTest for the unit tests: the installed one (find_package) in a
# native build; built from its sources where none is installed, and always
# in a cross build (Windows, 32-bit Linux), for which Debian's libgtest, made
# for the build machine, is of no use. Debian's googletest package ships the
# sources; they are built here with the project's compiler, as the targets
# find_package(GTest) would give. Where neither is found, GTest::gtest_main
# stays undefined and the caller builds without unit tests.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest_main)
  if(EXISTS ${KX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_SHARED_LIBS OFF)
    add_subdirectory(${KX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Its code is not ours to keep warning-free on every compiler.
    if(NOT MSVC)
      foreach(t gtest gtest_main)
        target_compile_options(${t} PRIVATE -Wno-error)
      endforeach()
    endif()
    # Newer sources name their targets so themselves.
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
endif()
