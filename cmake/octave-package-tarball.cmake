# Writes the Octave package from the manifest that octave-package.cmake made:
#   cmake -DKX_MANIFEST=<build>/package-manifest.cmake -P octave-package-tarball.cmake
# Stages the files in <build>/package/<name>/ and packs that folder, its
# files in name order, into KX_PACKAGE.
include(${KX_MANIFEST})
get_filename_component(kx_stage ${KX_PACKAGE} DIRECTORY)
set(kx_stage ${kx_stage}/package)
file(REMOVE_RECURSE ${kx_stage})

set(kx_members "")
list(LENGTH KX_PACKAGE_SOURCES count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  list(GET KX_PACKAGE_SOURCES ${index} source)
  list(GET KX_PACKAGE_PATHS ${index} path)
  configure_file(${source} ${kx_stage}/${KX_PACKAGE_NAME}/${path} COPYONLY)
  list(APPEND kx_members ${KX_PACKAGE_NAME}/${path})
endforeach()
list(SORT kx_members)

file(REMOVE ${KX_PACKAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${KX_PACKAGE} --format=gnutar
                        -- ${kx_members}
                WORKING_DIRECTORY ${kx_stage}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not write ${KX_PACKAGE}")
endif()
