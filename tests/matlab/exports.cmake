# cmake -DFOLDER=<toolbox> -DSUFFIX=<.mexa64> -DNM=<nm> -P exports.cmake
#
# Every MEX file in FOLDER exports what matlab_add_mex's export map leaves,
# and nothing more: mexFunction and the version function that MATLAB asks
# (mexfilerequiredapiversion). A file built otherwise (without the version
# source, or exporting its insides) fails.
file(GLOB mex_files "${FOLDER}/*${SUFFIX}")
list(LENGTH mex_files count)
if(count LESS 10)
  message(FATAL_ERROR "${count} MEX files in ${FOLDER}: the nine plug-ins and kxsim were expected")
endif()
foreach(mex IN LISTS mex_files)
  execute_process(COMMAND ${NM} -D --defined-only ${mex} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${mex}")
  endif()
  string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [A-Za-z_][A-Za-z0-9_@.]*" rows "${dump}")
  set(names "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${row}")
    list(APPEND names ${name})
  endforeach()
  list(SORT names)
  get_filename_component(file ${mex} NAME)
  if(NOT names STREQUAL "mexFunction;mexfilerequiredapiversion")
    message(FATAL_ERROR "${file} exports [${names}], not [mexFunction;mexfilerequiredapiversion]")
  endif()
  message(STATUS "${file}: mexFunction, mexfilerequiredapiversion")
endforeach()
