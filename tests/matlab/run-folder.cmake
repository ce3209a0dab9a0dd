# cmake -DTOOLBOX=<installed toolbox> -DLIBRARIES=<the MATLAB installation's
#       library folder> -DPROGRAMS=<test programs, ;-list> -DFOLDER=<run folder>
#       -P run-folder.cmake
#
# Makes FOLDER anew: the toolbox as installed, with MATLAB's libraries and
# the test programs beside it.
if(NOT IS_DIRECTORY "${TOOLBOX}")
  message(FATAL_ERROR "no toolbox at ${TOOLBOX}: install the MATLAB build there first")
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(COPY "${TOOLBOX}/" DESTINATION "${FOLDER}" USE_SOURCE_PERMISSIONS)
file(COPY "${LIBRARIES}/" DESTINATION "${FOLDER}" USE_SOURCE_PERMISSIONS)
file(COPY ${PROGRAMS} DESTINATION "${FOLDER}" USE_SOURCE_PERMISSIONS)
