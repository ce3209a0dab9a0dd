// [status, boardCount] = KX4410_InitDriverAndBoard(verbose)
//
// Opens the board driver, activates board 0 and queries the version words,
// printing the toolbox banner and a line after each step unless verbose is 0.
// A failed open is printed and handed back in status; a failed activation
// raises.
#include "mex.h"

#include "gateway.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs <= 2, "KX4410:nargout", "This function yields at most two result values!");
    kx::require(nrhs == 0 || nrhs == 1, "KX4410:nargin",
                "This function only has an [optional] argument!");

    const double defaultVerbose = 1.0;
    const bool verbose = (nrhs == 1 ? kx::scalar(prhs[0]) : defaultVerbose) != 0.0;

    if (verbose) {
        mexPrintf("\n          ----------------------------\n");
        mexPrintf("           KX4410 ToolBox for MatLab\n");
        mexPrintf("          ----------------------------\n");
        mexPrintf("      Analog input, analog output, PWM, timing\n");
        mexPrintf("      and PID control on the KX4410 PCI board.\n");
        mexPrintf("      Written in C++ as one MEX file per function;\n");
        mexPrintf("      type 'help KX4410_PID' for an example.\n");
        mexPrintf("               -------------------\n\n");
    }

    // Given a value first: a failed open need not write it.
    uint16_t boardCount = 0;
    const KxStatus openStatus = OpenDriver(&boardCount);

    double* status = nullptr;
    if (nlhs >= 1) {
        status = kx::scalarResult(plhs[0]);
        status[0] = openStatus;
    }
    if (nlhs >= 2) kx::scalarResult(plhs[1])[0] = boardCount;

    if (openStatus != 0) {
        mexPrintf("KX4410 Driver Error at Initialization (%d).\n", openStatus);
        return;
    }
    if (verbose) mexPrintf("KX4410 Driver Initialized Ok! (%d board(s)).\n", boardCount);

    const KxStatus activation = ActivateBoard(0);
    if (status != nullptr) status[0] = activation;
    if (activation != 0)
        kx::raise("KX4410:InitDriverAndBoard:activateFailed",
                  "KX4410 Board #0 could not be activated.");
    if (verbose) mexPrintf("KX4410 Board #0 activated ok!\n");

    const uint16_t libraryVersion = GetLibraryVersion();
    uint16_t driverVersion = 0;
    GetDriverVersion(&driverVersion);
    if (verbose)
        mexPrintf("KX4410 DLL version %x, Driver version %x.\n", libraryVersion, driverVersion);
}
