// Our MEX host stand-in behaves as the plug-ins' tests rely on: prints and
// raised messages captured, result slots checked, call temporaries freed,
// arguments left as they were, each plug-in loaded once.
#include <gtest/gtest.h>

#include <stdexcept>

#include "kxhost.h"
#include "mexhost.h"

using namespace mexhost;

TEST(Host, CapturesEachPrintWithItsFormat) {
    Outcome o = call("hostprobe", 0, args(scalar(1)));
    EXPECT_FALSE(o.raised);
    EXPECT_EQ(o.prints, (std::vector<std::string>{"42-ff\n", "plain"}));
    EXPECT_EQ(o.formats, (std::vector<std::string>{"%d-%x\n", "plain"}));
    EXPECT_EQ(o.printed(), "42-ff\nplain");
}

TEST(Host, RaiseEndsTheCallWithoutResultsAndFreesItsArrays) {
    const std::size_t before = kxhost_live_arrays();
    Outcome o = call("hostprobe", 1, args(scalar(2)));
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, "probe raised!");
    EXPECT_EQ(o.identifier, "");
    ASSERT_EQ(o.results.size(), 1u);
    EXPECT_FALSE(o.results[0]);
    EXPECT_EQ(kxhost_live_arrays(), before);
}

TEST(Host, ARaiseWithAnIdentifierFormatsItsMessage) {
    Outcome o = call("hostprobe", 0, args(scalar(7)));
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, "formatted 5%!");
    EXPECT_EQ(o.identifier, "probe:formatted");
    // The next raise without one leaves none behind.
    EXPECT_EQ(call("hostprobe", 1, args(scalar(2))).identifier, "");
}

TEST(Host, EveryRequestedResultMustBeAssigned) {
    struct Case {
        int nlhs;
        double assigned;
        bool raised;
    };
    for (const Case c : {Case{0, 0, false}, Case{1, 1, false}, Case{3, 3, false}, Case{3, 2, true},
                         Case{1, 0, true}}) {
        Outcome o = call("hostprobe", c.nlhs, args(scalar(3), scalar(c.assigned)));
        EXPECT_EQ(o.raised, c.raised) << c.nlhs << " results, " << c.assigned << " assigned";
        if (c.raised) {
            EXPECT_EQ(o.message,
                      "One or more output arguments not assigned during call to \"hostprobe\".");
        } else {
            for (int k = 0; k < c.nlhs; ++k) EXPECT_EQ(o.values(k), std::vector<double>{k + 1.0});
        }
    }
}

TEST(Host, AStatementCallMayStillSetTheFirstSlot) {
    Outcome o = call("hostprobe", 0, args(scalar(3), scalar(1)));
    EXPECT_FALSE(o.raised);
    EXPECT_EQ(o.values(0), std::vector<double>{1.0});
}

TEST(Host, TemporariesAreFreedWhenTheCallEnds) {
    const std::size_t before = kxhost_live_arrays();
    Outcome o = call("hostprobe", 0, args(scalar(4)));
    EXPECT_FALSE(o.raised);
    EXPECT_EQ(kxhost_live_arrays(), before);
}

TEST(Host, AnArrayThatCannotBeHeldRaisesAndLeavesNothingBehind) {
    for (double complex : {0, 1}) {
        const std::size_t before = kxhost_live_arrays();
        Outcome o = call("hostprobe", 1, args(scalar(8), scalar(complex)));
        EXPECT_TRUE(o.raised) << complex;
        EXPECT_EQ(o.message, "Out of memory.");
        EXPECT_EQ(kxhost_live_arrays(), before) << complex;
    }
}

TEST(Host, APlugInThatWritesIntoItsArgumentIsCaught) {
    EXPECT_THROW(call("hostprobe", 0, args(scalar(5), scalar(7))), std::logic_error);
}

TEST(Host, ArgumentFactoriesMakeTheArraysAUserTypes) {
    struct Case {
        const char* name;
        Array array;
        std::vector<double> expected;  // class, rows, cols, complex, numeric, logical, empty
    };
    Case cases[] = {
        {"scalar", scalar(3), {mxDOUBLE_CLASS, 1, 1, 0, 1, 0, 0}},
        {"row", row({1, 2, 3}), {mxDOUBLE_CLASS, 1, 3, 0, 1, 0, 0}},
        {"column", column({1, 2}), {mxDOUBLE_CLASS, 2, 1, 0, 1, 0, 0}},
        {"empty row", row({}), {mxDOUBLE_CLASS, 1, 0, 0, 1, 0, 1}},
        {"matrix", matrix(3, 2), {mxDOUBLE_CLASS, 3, 2, 0, 1, 0, 0}},
        {"complex", complexScalar(1, 2), {mxDOUBLE_CLASS, 1, 1, 1, 1, 0, 0}},
        {"text", text("abc"), {mxCHAR_CLASS, 1, 3, 0, 0, 0, 0}},
        {"logical", logical(true), {mxLOGICAL_CLASS, 1, 1, 0, 0, 1, 0}},
        {"uint16", numeric(mxUINT16_CLASS, 7), {mxUINT16_CLASS, 1, 1, 0, 1, 0, 0}},
        {"cell", cell(), {mxCELL_CLASS, 1, 1, 0, 0, 0, 0}},
        {"struct", structure(), {mxSTRUCT_CLASS, 1, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Array probe = scalar(6);
        Outcome o = call("hostprobe", 1, std::vector<const mxArray*>{probe.get(), c.array.get()});
        ASSERT_FALSE(o.raised) << c.name << ": " << o.message;
        EXPECT_EQ(o.values(0), c.expected) << c.name;
    }
}

TEST(Host, ACellHoldsItsElementsAndFreesThemWithIt) {
    const std::size_t before = kxhost_live_arrays();
    {
        Array c(mxCreateCellMatrix(1, 3));
        EXPECT_EQ(mxGetCell(c.get(), 0), nullptr);
        mxArray* s = mxCreateString("ab");
        mxSetCell(c.get(), 2, s);
        EXPECT_EQ(mxGetCell(c.get(), 2), s);
        EXPECT_EQ(mxGetCell(c.get(), 3), nullptr);
        Array notCell = scalar(1);
        EXPECT_EQ(mxGetCell(notCell.get(), 0), nullptr);
        EXPECT_EQ(kxhost_live_arrays(), before + 3);
    }
    EXPECT_EQ(kxhost_live_arrays(), before);
}

TEST(Host, APlugInIsLoadedOnceAndAMissingOneIsUndefined) {
    call("hostprobe", 0, args(scalar(4)));
    call("hostprobe", 0, args(scalar(4)));
    EXPECT_EQ(loadCount("hostprobe"), 1);

    Outcome o = call("nosuchfunction", 0, std::vector<Array>{});
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, "Undefined function 'nosuchfunction'.");
    EXPECT_EQ(loadCount("nosuchfunction"), 0);
}
