# The module-definition file that kxdrv.dll is exported and imported by, for
# the target being built, from driver/kxdrv.def (ordinals and our names).
#
# On 32-bit Windows the operations are __stdcall, whose C symbols carry the
# bytes of arguments the callee pops (_OpenDriver@4): the names in the file
# must carry that decoration to match them. It is counted here from the
# operation's declaration in driver/kxdrv.h, one 4-byte stack slot for each
# argument (every argument there is a pointer or an integer of 32 bits or
# less). Elsewhere the file is used as it is.
#
#   kx_driver_def(var)   sets var to the path of the file for this target
function(kx_driver_def var)
  set(src ${PROJECT_SOURCE_DIR}/driver/kxdrv.def)
  set(header ${PROJECT_SOURCE_DIR}/driver/kxdrv.h)
  set(out ${CMAKE_BINARY_DIR}/driver/kxdrv.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src} ${header})

  if(NOT (WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4))
    configure_file(${src} ${out} COPYONLY)
    set(${var} ${out} PARENT_SCOPE)
    return()
  endif()

  file(READ ${header} decl)
  file(READ ${src} text)
  string(REGEX MATCHALL "\n[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]+@[0-9]+" entries "${text}")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\n[ \t]*([A-Za-z0-9_]+).*$" "\\1" name "${entry}")
    if(NOT decl MATCHES "KXDRV_CALL[ \t\r\n]+${name}[ \t\r\n]*\\(([^)]*)\\)")
      message(FATAL_ERROR "kxdrv.def names ${name}, which kxdrv.h does not declare with KXDRV_CALL")
    endif()
    string(REGEX REPLACE "[ \t\r\n]+" " " args "${CMAKE_MATCH_1}")
    string(STRIP "${args}" args)
    if(args STREQUAL "" OR args STREQUAL "void")
      set(bytes 0)
    else()
      if(args MATCHES "double|int64_t|long long")
        message(FATAL_ERROR "${name}: an argument wider than one stack slot is not counted here")
      endif()
      string(REGEX REPLACE "[^,]" "" commas "${args}")
      string(LENGTH "${commas}" n)
      math(EXPR bytes "4 * (${n} + 1)")
    endif()
    string(REGEX REPLACE "(\n[ \t]*)${name}([ \t]+@)" "\\1${name}@${bytes}\\2" text "${text}")
  endforeach()
  # Written through a copy so that an unchanged file relinks nothing.
  file(WRITE ${CMAKE_BINARY_DIR}/CMakeFiles/kxdrv.def.new "${text}")
  configure_file(${CMAKE_BINARY_DIR}/CMakeFiles/kxdrv.def.new ${out} COPYONLY)
  set(${var} ${out} PARENT_SCOPE)
endfunction()

# An interface target that links kxdrv.dll's operations by ordinal through an
# import library made from the ordinal table alone, so that what links it is
# bound to the maker's kxdrv.dll exactly as to the simulated one. Made when
# CMake runs (the table changes rarely and reruns it): mingw's dlltool, or
# Microsoft's lib for a Visual C++ build.
#
#   kx_driver_import_library(target)
function(kx_driver_import_library target)
  kx_driver_def(def)
  set(dir ${CMAKE_BINARY_DIR}/driver)
  if(MSVC)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(machine X86)
    else()
      set(machine X64)
    endif()
    set(implib ${dir}/kxdrv.lib)
    set(command ${CMAKE_AR} /NOLOGO /DEF:${def} /MACHINE:${machine} /OUT:${implib})
  else()
    if(NOT KX_DLLTOOL)
      get_filename_component(bin ${CMAKE_CXX_COMPILER} DIRECTORY)
      string(REGEX REPLACE "(g\\+\\+|c\\+\\+)(-[a-z0-9]+)?(\\.exe)?$" "" triplet ${CMAKE_CXX_COMPILER})
      get_filename_component(triplet ${triplet} NAME)
      find_program(KX_DLLTOOL NAMES ${triplet}dlltool dlltool HINTS ${bin} REQUIRED)
    endif()
    set(implib ${dir}/libkxdrv-ordinals.a)
    set(command ${KX_DLLTOOL} --input-def ${def} --dllname kxdrv.dll --output-lib ${implib})
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Making the kxdrv import library failed: ${command}\n${out}")
  endif()
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE kxbinding ${implib})
endfunction()
