/* Calls each of kxdrv's thirteen operations once, as the plug-ins do: the
 * object's undefined symbols are the names under which a compiler binds
 * them (scripts/check-calling-convention). Compiled, never run. */
#include "kxdrv.h"

void kx_call_every_operation(void);

void kx_call_every_operation(void) {
    uint16_t word = 0;
    float volts = 0.0f;
    GetLibraryVersion();
    OpenDriver(&word);
    CloseDriver();
    GetDriverVersion(&word);
    GetBoardAddress(0, &word, &word, &word, &word);
    ActivateBoard(0);
    GetActiveBoard();
    WriteAnalogOut(0, 0);
    ConfigureAnalogIn(0, 0);
    ReadAnalogIn(&volts);
    DelayMicros(0);
    WriteTimerControl(0, 2, 0xB6, 0);
    ReadTimerCounter(0, 2, 0x80);
}
