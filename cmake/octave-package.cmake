# The Octave package, build/kx4410-<version>.tar.gz, that Octave's own pkg
# installs from source:
#
#   cmake --build build --target kx_octave_package       (scripts/package)
#
#   kx4410-<version>/DESCRIPTION, INDEX, NEWS, COPYING
#   kx4410-<version>/inst/   Contents.m, the help files, kxsim.m, the demos
#   kx4410-<version>/src/    the C++ sources and toolbox/package/Makefile,
#                            which pkg install runs: mkoctfile alone builds
#                            the plug-ins, kxsim and the simulated driver;
#                            beside it plugins.mk, the Makefile's list of the
#                            plug-ins, written here from plugins/plugins.txt
#
# The sources go in whole, folder by folder; the Makefile says what is
# compiled from them.
set(KX_PACKAGE_NAME kx4410-${PROJECT_VERSION})
set(KX_PACKAGE ${CMAKE_BINARY_DIR}/${KX_PACKAGE_NAME}.tar.gz)
set(kx_package_dir ${PROJECT_SOURCE_DIR}/toolbox/package)
set(kx_package_in ${CMAKE_BINARY_DIR}/package-in)

configure_file(${kx_package_dir}/DESCRIPTION.in ${kx_package_in}/DESCRIPTION @ONLY)
configure_file(${kx_package_dir}/NEWS.in ${kx_package_in}/NEWS @ONLY)
list(JOIN KX_PLUGINS " " kx_mk_plugins)
list(JOIN KX_PLUGINS_DRIVER " " kx_mk_driver)
list(JOIN KX_PLUGINS_TIMEBASE " " kx_mk_timebase)
file(CONFIGURE OUTPUT ${kx_package_in}/plugins.mk CONTENT
"# The plug-ins, from plugins/plugins.txt: all of them, those that link the
# driver, those that compile in the time base.
PLUGINS := ${kx_mk_plugins}
WITH_DRIVER := ${kx_mk_driver}
WITH_TIMEBASE := ${kx_mk_timebase}
" @ONLY)

# Each file as it is in the tree, and where it goes in the package.
set(kx_package_sources ${kx_package_in}/DESCRIPTION ${kx_package_in}/NEWS
                       ${kx_package_dir}/INDEX ${PROJECT_SOURCE_DIR}/COPYING
                       ${KX_CONTENTS_M} ${kx_package_dir}/Makefile ${kx_package_in}/plugins.mk)
set(kx_package_paths DESCRIPTION NEWS INDEX COPYING inst/Contents.m src/Makefile src/plugins.mk)
file(GLOB kx_help CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/toolbox/*.m)
foreach(file ${kx_help})
  get_filename_component(name ${file} NAME)
  list(APPEND kx_package_sources ${file})
  list(APPEND kx_package_paths inst/${name})
endforeach()
foreach(folder gateway driver plugins sim)
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp
                                    ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(file ${files})
    get_filename_component(name ${file} NAME)
    list(APPEND kx_package_sources ${file})
    list(APPEND kx_package_paths src/${folder}/${name})
  endforeach()
endforeach()
# The simulated board's datasheet, where its header sends the reader.
list(APPEND kx_package_sources ${PROJECT_SOURCE_DIR}/sim/README.md)
list(APPEND kx_package_paths src/sim/README.md)

set(kx_package_manifest ${CMAKE_BINARY_DIR}/package-manifest.cmake)
file(WRITE ${kx_package_manifest}
     "set(KX_PACKAGE_NAME \"${KX_PACKAGE_NAME}\")\n"
     "set(KX_PACKAGE \"${KX_PACKAGE}\")\n"
     "set(KX_PACKAGE_SOURCES \"${kx_package_sources}\")\n"
     "set(KX_PACKAGE_PATHS \"${kx_package_paths}\")\n")

add_custom_command(OUTPUT ${KX_PACKAGE}
                   COMMAND ${CMAKE_COMMAND} -DKX_MANIFEST=${kx_package_manifest}
                           -P ${CMAKE_CURRENT_LIST_DIR}/octave-package-tarball.cmake
                   DEPENDS ${kx_package_sources} ${kx_package_manifest}
                           ${CMAKE_CURRENT_LIST_DIR}/octave-package-tarball.cmake
                   WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                   COMMENT "Writing the Octave package ${KX_PACKAGE_NAME}.tar.gz"
                   VERBATIM)
add_custom_target(kx_octave_package DEPENDS ${KX_PACKAGE})
