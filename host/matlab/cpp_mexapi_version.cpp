// The version source for a project without C: the C one, compiled as C++.
#include "c_mexapi_version.c"
