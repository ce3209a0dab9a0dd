/* The board maker's driver library for the KX4410, as this toolbox calls it.
 *
 * The real kxdrv.dll is bound by ordinal only (see kxdrv.def); the names here
 * are ours. Whatever library stands in for it -- the simulated board in sim/,
 * or the real one on the lab's Windows machine -- exports exactly these
 * thirteen operations with these argument and result widths.
 *
 * Status words are 16-bit unsigned: 0 is success, 1-25 are the driver's named
 * failures (KX4410_ErrorText lists them), anything else is unknown.
 */
#ifndef KX4410_DRIVER_KXDRV_H
#define KX4410_DRIVER_KXDRV_H

#include <stdint.h>

/* On 32-bit Windows the board maker's DLL uses the Windows API convention,
 * __stdcall: the callee pops its own arguments, and the import library names
 * each operation with its argument bytes (_OpenDriver@4). Declaring the wrong
 * convention would fail the link or, linked by hand, leave the stack
 * unbalanced after every call. GCC and clang say 32-bit x86 with __i386__,
 * Microsoft's compiler (MATLAB's on Windows) with _M_IX86 only. Elsewhere
 * (the simulated board on Linux) there is one C convention and this is empty. */
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define KXDRV_CALL __stdcall
#else
#define KXDRV_CALL
#endif

/* The simulated board builds itself with KXDRV_BUILDING to export these;
 * every caller imports them. KXDRV_API exports by name (the simulated
 * board's own kxsim_* calls); KXDRV_OP marks the thirteen operations, which
 * on Windows kxdrv.def alone exports, by ordinal: a dllexport there would
 * add a named export as well, and a caller would then bind to the name. */
#if defined(_WIN32)
#if defined(KXDRV_BUILDING)
#define KXDRV_API __declspec(dllexport)
#define KXDRV_OP
#else
#define KXDRV_API __declspec(dllimport)
#define KXDRV_OP __declspec(dllimport)
#endif
#else
#define KXDRV_API __attribute__((visibility("default")))
#define KXDRV_OP KXDRV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint16_t KxStatus;

/* ordinal 4 */ KXDRV_OP uint16_t KXDRV_CALL GetLibraryVersion(void);
/* ordinal 5 */ KXDRV_OP KxStatus KXDRV_CALL OpenDriver(uint16_t* boardCount);
/* ordinal 6 */ KXDRV_OP KxStatus KXDRV_CALL CloseDriver(void);
/* ordinal 7 */ KXDRV_OP KxStatus KXDRV_CALL GetDriverVersion(uint16_t* version);
/* ordinal 8 */ KXDRV_OP KxStatus KXDRV_CALL GetBoardAddress(int32_t board, uint16_t* address,
                                                               uint16_t* irq, uint16_t* bus,
                                                               uint16_t* slot);
/* ordinal 9 */ KXDRV_OP KxStatus KXDRV_CALL ActivateBoard(int32_t board);
/* ordinal 10 */ KXDRV_OP int32_t KXDRV_CALL GetActiveBoard(void);
/* ordinal 17 */ KXDRV_OP KxStatus KXDRV_CALL WriteAnalogOut(int32_t channel, int32_t code);
/* ordinal 18 */ KXDRV_OP KxStatus KXDRV_CALL ConfigureAnalogIn(int32_t channel, int32_t config);
/* ordinal 19 */ KXDRV_OP KxStatus KXDRV_CALL ReadAnalogIn(float* volts);
/* ordinal 29 */ KXDRV_OP KxStatus KXDRV_CALL DelayMicros(int32_t micros);
/* ordinal 56 */ KXDRV_OP KxStatus KXDRV_CALL WriteTimerControl(uint16_t address, int32_t counter,
                                                                 int32_t control, int32_t count);
/* ordinal 57 */ KXDRV_OP uint32_t KXDRV_CALL ReadTimerCounter(uint16_t address, int32_t counter,
                                                                int32_t latch);

#ifdef __cplusplus
}
#endif

#endif
