# The toolbox for MATLAB: the same plug-in sources built against MATLAB's own
# mex.h, libmx and libmex (CMake's FindMatlab and matlab_add_mex), into one
# folder, build/matlab, that a user adds to MATLAB's path and that
# "cmake --install" copies to <prefix>/kx4410 (KX_MATLAB_INSTALL_DIR).
#
# On Windows the plug-ins bind kxdrv.dll by ordinal through the import
# library made from the ordinal table (driver/), so the same files load the
# maker's kxdrv.dll or the simulated one. Elsewhere there is no maker's
# library and they link the simulated one.
#
# With KX_DRIVER_SERVER the driver client takes kxdrv's place beside the
# plug-ins, and the driver server goes into kxdrv-server/ beside them.
#
# Included from the top CMakeLists.txt (KX_MATLAB), after the bridge.
if(CMAKE_CROSSCOMPILING AND WIN32)
  # A cross build for Windows, from Linux: FindMatlab runs the installation's
  # matlab and mexext with their input from Windows' NUL, a file the build
  # machine has not, and so learns neither the release nor the MEX file
  # ending; and it would look for mex.h and the libraries under the cross
  # toolchain's root. All three are told here, the release asked as
  # FindMatlab asks it.
  if(NOT Matlab_ROOT_DIR)
    message(FATAL_ERROR "A cross build for MATLAB names the installation: -DMatlab_ROOT_DIR=...")
  endif()
  execute_process(COMMAND ${Matlab_ROOT_DIR}/bin/matlab -nodesktop -nodisplay -r "version, exit"
                  OUTPUT_VARIABLE kx_answer ERROR_QUIET RESULT_VARIABLE kx_status)
  if(kx_status EQUAL 0 AND kx_answer MATCHES "ans[\r\n\t ]*=[\r\n\t ]*'?([0-9]+\\.[0-9]+)")
    set(Matlab_VERSION_STRING_INTERNAL ${CMAKE_MATCH_1} CACHE INTERNAL "The MATLAB release, asked of its matlab")
  endif()
  string(SUBSTRING ${KX_MEX_SUFFIX} 1 -1 kx_mexext)
  set(Matlab_MEX_EXTENSION ${kx_mexext} CACHE STRING "The MEX file ending")
  list(APPEND CMAKE_FIND_ROOT_PATH ${Matlab_ROOT_DIR})
endif()
find_package(Matlab REQUIRED COMPONENTS MX_LIBRARY)
set(KX_MATLAB_DIR ${CMAKE_BINARY_DIR}/matlab)

# The frame against MATLAB's mex.h, with the plug-ins'
# choice of MATLAB's C API: separate real and imaginary parts (mxGetPr), the
# API matlab_add_mex selects by default.
kx_add_gateway(kxgateway_matlab "${Matlab_INCLUDE_DIRS}" ${Matlab_MEX_LIBRARY} ${Matlab_MX_LIBRARY})
target_include_directories(kxgateway_matlab SYSTEM PUBLIC ${Matlab_INCLUDE_DIRS})
# Ctrl-C: the interrupt check asks MATLAB's libut (utIsInterruptPending),
# which FindMatlab does not name; it stands beside libmex.
get_filename_component(kx_matlab_lib_dir "${Matlab_MEX_LIBRARY}" DIRECTORY)
find_library(KX_MATLAB_UT_LIBRARY NAMES ut libut HINTS ${kx_matlab_lib_dir} NO_DEFAULT_PATH)
if(NOT KX_MATLAB_UT_LIBRARY)
  message(FATAL_ERROR "no libut beside ${Matlab_MEX_LIBRARY}: the interrupt check needs it")
endif()
target_sources(kxgateway_matlab PRIVATE ${PROJECT_SOURCE_DIR}/gateway/interrupt_matlab.cpp)
target_link_libraries(kxgateway_matlab PUBLIC ${KX_MATLAB_UT_LIBRARY})
target_compile_definitions(kxgateway_matlab PUBLIC MATLAB_MEX_FILE)
if(NOT Matlab_VERSION_STRING VERSION_LESS "9.4")
  target_compile_definitions(kxgateway_matlab PUBLIC MATLAB_DEFAULT_RELEASE=R2017b)
endif()

# MATLAB's own version source, which matlab_add_mex compiles into every
# plug-in, is not ours to keep warning-free.
if(NOT MSVC)
  set_source_files_properties(${Matlab_ROOT_DIR}/extern/version/c_mexapi_version.c
                              ${Matlab_ROOT_DIR}/extern/version/cpp_mexapi_version.cpp
                              PROPERTIES COMPILE_OPTIONS -Wno-error)
endif()

function(kx_matlab_output target)
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${KX_MATLAB_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${KX_MATLAB_DIR}
    BUILD_WITH_INSTALL_RPATH ON INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target}
          LIBRARY DESTINATION ${KX_MATLAB_INSTALL_DIR}
          RUNTIME DESTINATION ${KX_MATLAB_INSTALL_DIR})
endfunction()

set(kx_matlab_help "")
foreach(kx_name ${KX_PLUGINS})
  kx_plugin_libraries(${kx_name} kxgateway_matlab kxtimebase ${KX_DRIVER_LINK} kx_libs)
  matlab_add_mex(NAME ${kx_name}_matlab MODULE R2017b
                 SRC ${PROJECT_SOURCE_DIR}/plugins/${kx_name}.cpp
                 OUTPUT_NAME ${kx_name}
                 LINK_TO ${kx_libs})
  kx_matlab_output(${kx_name}_matlab)
  list(APPEND kx_matlab_help ${kx_name}.m)
endforeach()

if(KX_MATLAB_SIMULATED_BOARD)
  # The simulated board beside the plug-ins, which load it from there, and
  # its control port. With the driver server the client takes its place,
  # and the simulated board goes beside the server.
  if(NOT KX_DRIVER_SERVER)
    add_custom_target(kxdrv_matlab ALL
                      COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_MATLAB_DIR}
                      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:kxdrv> ${KX_MATLAB_DIR}/
                      DEPENDS kxdrv
                      COMMENT "Copying the simulated kxdrv into the MATLAB toolbox folder")
    install(FILES $<TARGET_FILE:kxdrv> DESTINATION ${KX_MATLAB_INSTALL_DIR})
  endif()
  matlab_add_mex(NAME kxsim_matlab MODULE R2017b
                 SRC ${KX_SIM_MEX_SOURCES}
                 OUTPUT_NAME kxsim
                 LINK_TO kxdrv)
  target_include_directories(kxsim_matlab SYSTEM PRIVATE ${Matlab_INCLUDE_DIRS})
  kx_matlab_output(kxsim_matlab)
  if(NOT KX_DRIVER_SERVER)
    add_dependencies(kxsim_matlab kxdrv_matlab)
  endif()
  list(APPEND kx_matlab_help kxsim.m kx4410_demo.m kx4410_lab_demo.m)
endif()

# The help files (MATLAB's help shows a .m file's comment block; the .mex*
# beside it runs) and Contents.m, with the version for ver.
foreach(kx_file ${kx_matlab_help})
  configure_file(${PROJECT_SOURCE_DIR}/toolbox/${kx_file} ${KX_MATLAB_DIR}/${kx_file} COPYONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/toolbox/${kx_file} DESTINATION ${KX_MATLAB_INSTALL_DIR})
endforeach()
configure_file(${KX_CONTENTS_M} ${KX_MATLAB_DIR}/Contents.m COPYONLY)
install(FILES ${KX_CONTENTS_M} DESTINATION ${KX_MATLAB_INSTALL_DIR})

# Through the bridge: the client in kxdrv's place beside the plug-ins, the
# server in kxdrv-server/ (the simulated kxdrv beside it for a machine
# without the board).
if(KX_DRIVER_SERVER AND KX_BRIDGE)
  if(KX_MATLAB_SIMULATED_BOARD)
    kx_driver_client(kxdrv_client_matlab ${KX_MATLAB_DIR} CONTROL_PORT)
    set(kx_matlab_server_files ${KX_SERVER_DIR}/${KX_SERVER_FILE} ${KX_SERVER_DIR}/${KX_SERVER_DRIVER_FILE})
  else()
    kx_driver_client(kxdrv_client_matlab ${KX_MATLAB_DIR})
    set(kx_matlab_server_files ${KX_SERVER_DIR}/${KX_SERVER_FILE})
  endif()
  install(TARGETS kxdrv_client_matlab
          LIBRARY DESTINATION ${KX_MATLAB_INSTALL_DIR} RUNTIME DESTINATION ${KX_MATLAB_INSTALL_DIR})
  add_custom_target(kxdrv_server_matlab ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_MATLAB_DIR}/kxdrv-server
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${kx_matlab_server_files} ${KX_MATLAB_DIR}/kxdrv-server/
    COMMENT "The driver server into the MATLAB toolbox folder")
  add_dependencies(kxdrv_server_matlab kxdrv_server_folder)
  install(PROGRAMS ${KX_SERVER_DIR}/${KX_SERVER_FILE} DESTINATION ${KX_MATLAB_INSTALL_DIR}/kxdrv-server)
  if(KX_MATLAB_SIMULATED_BOARD)
    install(FILES ${KX_SERVER_DIR}/${KX_SERVER_DRIVER_FILE} DESTINATION ${KX_MATLAB_INSTALL_DIR}/kxdrv-server)
  endif()
endif()
