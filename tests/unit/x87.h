// For tests of double arithmetic on 32-bit x86: the x87 unit's precision
// control set to its full 64-bit mantissa while the guard lives, as a host
// process may leave it (Linux starts so; MATLAB may set it). Windows starts
// processes at 53 bits, which would hide code that computes doubles on the
// x87 unit, in extended precision. A no-op elsewhere.
#ifndef KX4410_TESTS_X87_H
#define KX4410_TESTS_X87_H

class ExtendedX87Precision {
#if defined(__i386__)
public:
    ExtendedX87Precision() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const unsigned short extended = saved_ | 0x0300;
        __asm__ volatile("fldcw %0" : : "m"(extended));
    }
    ~ExtendedX87Precision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }
    ExtendedX87Precision(const ExtendedX87Precision&) = delete;
    ExtendedX87Precision& operator=(const ExtendedX87Precision&) = delete;

private:
    unsigned short saved_;
#else
public:
    // Not trivial, so that a guard that does nothing is not "unused".
    ExtendedX87Precision() {}
    ~ExtendedX87Precision() {}
#endif
};

#endif
