# The release's version and date in the forms the hosts read them:
#
#   KX_RELEASE_DATE_MATLAB  the date as MATLAB's ver reads it, 09-Dec-2026
#   KX_CONTENTS_M           Contents.m, its second line "% Version <version>
#                           <date>" below the toolbox's name, for every
#                           toolbox folder and the Octave package
#
# From project(VERSION) and KX_RELEASE_DATE (yyyy-mm-dd) in CMakeLists.txt.
if(NOT KX_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "KX_RELEASE_DATE is not yyyy-mm-dd: ${KX_RELEASE_DATE}")
endif()
set(kx_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR kx_month "${CMAKE_MATCH_2} - 1")
list(GET kx_months ${kx_month} kx_month_name)
set(KX_RELEASE_DATE_MATLAB "${CMAKE_MATCH_3}-${kx_month_name}-${CMAKE_MATCH_1}")

set(KX_CONTENTS_M ${CMAKE_BINARY_DIR}/Contents.m)
configure_file(${PROJECT_SOURCE_DIR}/toolbox/Contents.m.in ${KX_CONTENTS_M} @ONLY)
