# The toolbox for GNU Octave: the same plug-in sources built against Octave's
# own mex.h, with the kxsim gateway, the help files, Contents.m, the demo and
# the simulated kxdrv, all in one folder that a user adds to Octave's path.
#
# The plug-ins link none of Octave's libraries: Octave resolves the mx*/mex*
# symbols from itself when it loads a MEX file. They find kxdrv beside them
# through an rpath of $ORIGIN, wherever the folder is copied to.
#
# Included from the top CMakeLists.txt (KX_OCTAVE): its build files stay
# apart from build/toolbox, which holds only what users load.
set(KX_TOOLBOX ${CMAKE_BINARY_DIR}/toolbox)

# Octave's header directories, as mkoctfile would pass them to the compiler.
execute_process(COMMAND ${KX_MKOCTFILE} -p INCFLAGS
                OUTPUT_VARIABLE kx_octave_incflags OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE kx_octave_rc)
if(NOT kx_octave_rc EQUAL 0)
  message(FATAL_ERROR "${KX_MKOCTFILE} -p INCFLAGS failed")
endif()
separate_arguments(kx_octave_incflags UNIX_COMMAND "${kx_octave_incflags}")
set(KX_OCTAVE_INCLUDE "")
foreach(kx_flag ${kx_octave_incflags})
  if(kx_flag MATCHES "^-I(.+)$")
    get_filename_component(kx_dir "${CMAKE_MATCH_1}" ABSOLUTE)
    list(APPEND KX_OCTAVE_INCLUDE ${kx_dir})
  endif()
endforeach()
find_file(KX_OCTAVE_MEX_H mex.h PATHS ${KX_OCTAVE_INCLUDE} NO_DEFAULT_PATH)
if(NOT KX_OCTAVE_MEX_H)
  message(FATAL_ERROR "no mex.h in Octave's include path (${KX_OCTAVE_INCLUDE})")
endif()
get_filename_component(kx_octave_mex_dir ${KX_OCTAVE_MEX_H} DIRECTORY)

# mkoctfile's link flags for a loadable module, less -shared, which CMake
# gives a MODULE itself.
execute_process(COMMAND ${KX_MKOCTFILE} -p DL_LDFLAGS
                OUTPUT_VARIABLE kx_octave_ldflags OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(kx_octave_ldflags UNIX_COMMAND "${kx_octave_ldflags}")
list(REMOVE_ITEM kx_octave_ldflags -shared)

# The frame against Octave's mex.h; Octave's headers are not ours to keep
# warning-free.
kx_add_gateway(kxgateway_octave ${kx_octave_mex_dir})
target_include_directories(kxgateway_octave SYSTEM PUBLIC ${KX_OCTAVE_INCLUDE})
# Ctrl-C: Octave's interrupt state, which the running octave resolves.
target_sources(kxgateway_octave PRIVATE ${PROJECT_SOURCE_DIR}/gateway/interrupt_octave.cpp)

# The simulated driver inside the folder. Its -z nodelete survives the copy:
# Octave's "clear all" unloads the plug-ins but not the session.
set(kx_toolbox_kxdrv ${KX_TOOLBOX}/${CMAKE_SHARED_LIBRARY_PREFIX}kxdrv${CMAKE_SHARED_LIBRARY_SUFFIX})
add_custom_command(OUTPUT ${kx_toolbox_kxdrv}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_TOOLBOX}
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kxdrv> ${KX_TOOLBOX}/
                   DEPENDS kxdrv
                   COMMENT "Copying kxdrv into the toolbox folder")
add_custom_target(kxdrv_toolbox ALL DEPENDS ${kx_toolbox_kxdrv})

function(kx_octave_mex target output source)
  add_library(${target} MODULE ${source})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${output} PREFIX "" SUFFIX ".mex"
    LIBRARY_OUTPUT_DIRECTORY ${KX_TOOLBOX}
    # Only $ORIGIN: not the build tree's own output folder.
    BUILD_WITH_INSTALL_RPATH ON INSTALL_RPATH "$ORIGIN")
  target_link_options(${target} PRIVATE ${kx_octave_ldflags})
  add_dependencies(${target} kxdrv_toolbox)
endfunction()

set(kx_toolbox_help ${KX_CONTENTS_M} ${PROJECT_SOURCE_DIR}/toolbox/kxsim.m
                    ${PROJECT_SOURCE_DIR}/toolbox/kx4410_demo.m
                    ${PROJECT_SOURCE_DIR}/toolbox/kx4410_lab_demo.m)
foreach(kx_name ${KX_PLUGINS})
  kx_octave_mex(${kx_name}_octave ${kx_name} ${PROJECT_SOURCE_DIR}/plugins/${kx_name}.cpp)
  kx_plugin_libraries(${kx_name} kxgateway_octave kxtimebase kxdrv kx_libs)
  target_link_libraries(${kx_name}_octave PRIVATE ${kx_libs})
  list(APPEND kx_toolbox_help ${PROJECT_SOURCE_DIR}/toolbox/${kx_name}.m)
endforeach()

# The control port of the simulated board, for tests, demos and users
# without the board.
kx_octave_mex(kxsim_octave kxsim ${KX_SIM_MEX_SOURCES})
target_include_directories(kxsim_octave SYSTEM PRIVATE ${KX_OCTAVE_INCLUDE})
target_link_libraries(kxsim_octave PRIVATE kxdrv)

# Help files, Contents.m and the demos, copied beside the plug-ins. Octave
# runs a .mex before a .m of the same name in one folder, and help shows
# the .m file's comment block.
set(kx_toolbox_copies "")
foreach(kx_file ${kx_toolbox_help})
  get_filename_component(kx_name ${kx_file} NAME)
  add_custom_command(OUTPUT ${KX_TOOLBOX}/${kx_name}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_TOOLBOX}
                     COMMAND ${CMAKE_COMMAND} -E copy ${kx_file} ${KX_TOOLBOX}/${kx_name}
                     DEPENDS ${kx_file})
  list(APPEND kx_toolbox_copies ${KX_TOOLBOX}/${kx_name})
endforeach()
add_custom_target(kx_toolbox_files ALL DEPENDS ${kx_toolbox_copies})

# The whole folder, for those who want it alone (scripts/demo).
add_custom_target(kx_toolbox)
add_dependencies(kx_toolbox kx_toolbox_files kxdrv_toolbox kxsim_octave)
foreach(kx_name ${KX_PLUGINS})
  add_dependencies(kx_toolbox ${kx_name}_octave)
endforeach()

# cmake --install: the same folder under the prefix, as <prefix>/kx4410 by
# default. The simulated kxdrv goes in as a target, so that the install
# takes the build's rpath off it; it needs none.
install(TARGETS kxsim_octave LIBRARY DESTINATION ${KX_OCTAVE_INSTALL_DIR})
foreach(kx_name ${KX_PLUGINS})
  install(TARGETS ${kx_name}_octave LIBRARY DESTINATION ${KX_OCTAVE_INSTALL_DIR})
endforeach()
install(TARGETS kxdrv LIBRARY DESTINATION ${KX_OCTAVE_INSTALL_DIR})
foreach(kx_file ${kx_toolbox_help})
  install(FILES ${kx_file} DESTINATION ${KX_OCTAVE_INSTALL_DIR})
endforeach()
