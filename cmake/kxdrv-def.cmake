# driver/kxdrv.def, the table of kxdrv's operations and their ordinals, read
# here alone for every use of it: the module-definition file, the import
# library, the ordinals the driver server binds by.
#
#   kx_driver_table(names ordinals)  sets names and ordinals to the table's
#                                    operations and their ordinals, in its order
function(kx_driver_table names ordinals)
  set(src ${PROJECT_SOURCE_DIR}/driver/kxdrv.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src})
  file(STRINGS ${src} lines REGEX "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]+@[0-9]+")
  set(n "")
  set(o "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)" entry "${line}")
    list(APPEND n ${CMAKE_MATCH_1})
    list(APPEND o ${CMAKE_MATCH_2})
  endforeach()
  set(${names} ${n} PARENT_SCOPE)
  set(${ordinals} ${o} PARENT_SCOPE)
endfunction()

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

  kx_driver_table(names ordinals)
  file(READ ${header} decl)
  file(READ ${src} text)
  foreach(name IN LISTS names)
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

# kxdrv_ordinals.h, the table's ordinals as KXBRIDGE_ORDINAL_<operation>, for
# a program that loads a kxdrv and binds its operations itself (the driver
# server).
#
#   kx_driver_ordinals_header(var)   sets var to the folder of the header
function(kx_driver_ordinals_header var)
  kx_driver_table(names ordinals)
  set(text "/* The ordinals of driver/kxdrv.def, written by cmake/kxdrv-def.cmake. */\n")
  foreach(name ordinal IN ZIP_LISTS names ordinals)
    string(APPEND text "#define KXBRIDGE_ORDINAL_${name} ${ordinal}\n")
  endforeach()
  set(dir ${CMAKE_BINARY_DIR}/driver)
  file(CONFIGURE OUTPUT ${dir}/kxdrv_ordinals.h CONTENT "${text}" @ONLY)
  set(${var} ${dir} PARENT_SCOPE)
endfunction()
