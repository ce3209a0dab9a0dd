// KX4410_InitDriverAndBoard: what it prints, returns and asks of the driver
// in every outcome.
#include <cmath>
#include <string>
#include <vector>

#include "banner.h"
#include "board.h"

using namespace mexhost;

namespace {

std::vector<std::string> withBanner(std::vector<std::string> lines) {
    lines.insert(lines.begin(), banner.begin(), banner.end());
    return lines;
}

const std::vector<DriverCall> fullSession = {
    {"OpenDriver", {}, 0},
    {"ActivateBoard", {0}, 0},
    {"GetLibraryVersion", {}, 0x01A0},
    {"GetDriverVersion", {}, 0},
};

class Init : public BoardTest {};

}  // namespace

TEST_F(Init, VerboseSessionPrintsBannerAndEveryStep) {
    Outcome o = call("KX4410_InitDriverAndBoard", 0);
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.prints, withBanner({"KX4410 Driver Initialized Ok! (1 board(s)).\n",
                                    "KX4410 Board #0 activated ok!\n",
                                    "KX4410 DLL version 1a0, Driver version 203.\n"}));
    EXPECT_FALSE(o.results[0]);
    EXPECT_EQ(boardLog(), fullSession);
    EXPECT_EQ(kxsim_active_board(), 0);
}

TEST_F(Init, BannerLinesArePrintedAsFixedFormats) {
    Outcome o = call("KX4410_InitDriverAndBoard", 0);
    ASSERT_GE(o.formats.size(), banner.size());
    for (std::size_t i = 0; i < banner.size(); ++i) {
        EXPECT_EQ(o.formats[i], o.prints[i]);
        EXPECT_EQ(o.formats[i].find('%'), std::string::npos) << "banner line " << i + 1;
    }
}

TEST_F(Init, QuietSessionPrintsNothingAndReturnsStatusAndBoardCount) {
    kxsim_set_boards(3);
    for (double quiet : {0.0, -0.0}) {
        kxsim_clear_log();
        Outcome o = call("KX4410_InitDriverAndBoard", 2, args(scalar(quiet)));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_TRUE(o.prints.empty()) << "argument " << quiet;
        EXPECT_EQ(o.values(0), std::vector<double>{0});
        EXPECT_EQ(o.values(1), std::vector<double>{3});
        EXPECT_EQ(boardLog(), fullSession);
    }
}

TEST_F(Init, EveryOtherArgumentIsVerbose) {
    for (double verbose : {0.25, -1.0, 2.0, std::nan("")}) {
        Outcome o = call("KX4410_InitDriverAndBoard", 1, args(scalar(verbose)));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.prints.size(), banner.size() + 3) << "argument " << verbose;
        EXPECT_EQ(o.values(0), std::vector<double>{0});
    }
}

TEST_F(Init, CountTestsRefuseBeforeAnythingIsPrintedOrCalled) {
    const char* const arguments = "This function only has an [optional] argument!";
    const char* const results = "This function yields at most two result values!";
    expectCountTests("KX4410_InitDriverAndBoard",
                     {{0, 2, arguments}, {2, 3, arguments}, {3, 0, results}, {3, 2, results}}, 1);
}

TEST_F(Init, FailedOpenIsPrintedInBothModesAndReturnedUnsigned) {
    struct Case {
        double verbose;
        double injected;  // what OpenDriver answers; NAN: no board found
        double status;
        std::size_t bannerLines;
    };
    for (const Case c : {Case{1, 65535, 65535, banner.size()}, Case{0, 65535, 65535, 0},
                         Case{0, 21, 21, 0}, Case{1, NAN, 11, banner.size()}}) {
        kxsim_reset();
        if (std::isnan(c.injected))
            kxsim_set_boards(0);
        else
            kxsim_inject("OpenDriver", 1, c.injected);
        Outcome o = call("KX4410_InitDriverAndBoard", 2, args(scalar(c.verbose)));
        ASSERT_FALSE(o.raised) << o.message;
        std::vector<std::string> expected(banner.begin(), banner.begin() + c.bannerLines);
        expected.push_back("KX4410 Driver Error at Initialization (" +
                           std::to_string(static_cast<int>(c.status)) + ").\n");
        EXPECT_EQ(o.prints, expected);
        EXPECT_EQ(o.values(0), std::vector<double>{c.status});
        EXPECT_EQ(o.values(1), std::vector<double>{0});
        EXPECT_EQ(boardOps(), std::vector<std::string>{"OpenDriver"});
    }
}

TEST_F(Init, FailedActivationRaisesAndLeavesTheDriverOpen) {
    for (double verbose : {1.0, 0.0}) {
        kxsim_reset();
        kxsim_inject("ActivateBoard", 1, 20);
        Outcome o = call("KX4410_InitDriverAndBoard", 1, args(scalar(verbose)));
        expectFailed(o, "KX4410 Board #0 could not be activated.");
        const std::vector<std::string> printed =
            verbose != 0.0 ? withBanner({"KX4410 Driver Initialized Ok! (1 board(s)).\n"})
                           : std::vector<std::string>{};
        EXPECT_EQ(o.prints, printed);
        EXPECT_EQ(boardLog(), (std::vector<DriverCall>{{"OpenDriver", {}, 0},
                                                       {"ActivateBoard", {0}, 20}}));
        EXPECT_EQ(kxsim_driver_open(), 1);
    }
}

TEST_F(Init, VersionWordsArePrintedInLowercaseHexWithoutPadding) {
    struct Case {
        uint16_t library, driver;
        const char* line;
    };
    for (const Case c : {Case{0x01A0, 0x0203, "KX4410 DLL version 1a0, Driver version 203.\n"},
                         Case{0xFFFF, 0x0000, "KX4410 DLL version ffff, Driver version 0.\n"},
                         Case{0x000B, 0xBEEF, "KX4410 DLL version b, Driver version beef.\n"}}) {
        kxsim_reset();
        kxsim_set_versions(c.library, c.driver);
        Outcome o = call("KX4410_InitDriverAndBoard", 0);
        ASSERT_FALSE(o.prints.empty());
        EXPECT_EQ(o.prints.back(), c.line);
    }
}

TEST_F(Init, ASecondSessionRepeatsEveryStep) {
    call("KX4410_InitDriverAndBoard", 0, args(scalar(0)));
    kxsim_clear_log();
    Outcome o = call("KX4410_InitDriverAndBoard", 1, args(scalar(0)));
    EXPECT_EQ(o.values(0), std::vector<double>{0});
    EXPECT_EQ(boardLog(), fullSession);
}
