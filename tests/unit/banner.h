// The banner KX4410_InitDriverAndBoard prints unless told to be quiet, one
// entry per mexPrintf call: the Init tests and the bridge's session tests
// expect it byte for byte.
#ifndef KX4410_TESTS_BANNER_H
#define KX4410_TESTS_BANNER_H

#include <string>
#include <vector>

inline const std::vector<std::string> banner = {
    "\n          ----------------------------\n",
    "           KX4410 ToolBox for MatLab\n",
    "          ----------------------------\n",
    "      Analog input, analog output, PWM, timing\n",
    "      and PID control on the KX4410 PCI board.\n",
    "      Written in C++ as one MEX file per function;\n",
    "      type 'help KX4410_PID' for an example.\n",
    "               -------------------\n\n",
};

#endif
