/* The version source of the stand-in MATLAB installation, which
 * matlab_add_mex compiles into every plug-in: the plug-in tells the host
 * which release's MEX API it was built against. Ours names the stand-in's
 * release (R2023a, 0x2023a) and the API with separate real and imaginary
 * parts (R2017b, 0x2017b), the one the toolbox is written for. */
#include "mex.h"

#ifdef __cplusplus
extern "C" {
#endif
MEXFUNCTION_LINKAGE void mexfilerequiredapiversion(unsigned int* built_by_release,
                                                    unsigned int* target_api_version);
#ifdef __cplusplus
}
#endif

void mexfilerequiredapiversion(unsigned int* built_by_release, unsigned int* target_api_version) {
    *built_by_release = 0x2023a;
    *target_api_version = 0x2017b;
}
