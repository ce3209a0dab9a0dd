# The plug-ins, from their table plugins/plugins.txt, for every host's build:
#
#   KX_PLUGINS           every plug-in, in the table's order
#   KX_PLUGINS_DRIVER    those that link kxdrv
#   KX_PLUGINS_TIMEBASE  those that compile in the time base
#   KX_DRIVER_LINK       what a plug-in links for kxdrv in our host stand-in's
#                        build and MATLAB's
#   kx_plugin_libraries(name gateway timebase driver out)
#                        sets out to the libraries plug-in name links in one
#                        host's build, in link order
set(kx_plugin_table ${PROJECT_SOURCE_DIR}/plugins/plugins.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kx_plugin_table})
file(STRINGS ${kx_plugin_table} kx_plugin_rows REGEX "^[A-Za-z]")
set(KX_PLUGINS "")
set(KX_PLUGINS_DRIVER "")
set(KX_PLUGINS_TIMEBASE "")
foreach(row IN LISTS kx_plugin_rows)
  string(REGEX MATCHALL "[^ \t]+" words "${row}")
  list(POP_FRONT words name)
  list(APPEND KX_PLUGINS ${name})
  foreach(need IN LISTS words)
    if(need STREQUAL "driver")
      list(APPEND KX_PLUGINS_DRIVER ${name})
    elseif(need STREQUAL "timebase")
      list(APPEND KX_PLUGINS_TIMEBASE ${name})
    else()
      message(FATAL_ERROR "plugins/plugins.txt: ${name} needs \"${need}\", neither driver nor timebase")
    endif()
  endforeach()
endforeach()

# On Windows the plug-ins bind kxdrv.dll by ordinal, through the import
# library made from the ordinal table alone, as they bind the maker's.
if(WIN32)
  set(KX_DRIVER_LINK kxdrv_ordinals)
else()
  set(KX_DRIVER_LINK kxdrv)
endif()

# The time base comes before kxdrv: the Windows linker resolves an archive's
# calls only from import libraries that come after it.
function(kx_plugin_libraries name gateway timebase driver out)
  set(libs ${gateway})
  if(name IN_LIST KX_PLUGINS_TIMEBASE)
    list(APPEND libs ${timebase})
  endif()
  if(name IN_LIST KX_PLUGINS_DRIVER)
    list(APPEND libs ${driver})
  endif()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()
