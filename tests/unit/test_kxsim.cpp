// kxsim, the simulated board's control port as a MEX function, in our host:
// its answers and its refusals, the same on the board in-process and
// through a running driver server.
#include <cmath>
#include <string>
#include <vector>

#include "board.h"

using namespace mexhost;

namespace {

class Kxsim : public SessionTest {};

const char* const badCall = "KX4410:kxsim:badCall";

// A refused form: its message and identifier, no result.
void expectBadCall(const Outcome& o, const std::string& message) {
    expectFailed(o, message);
    EXPECT_EQ(o.identifier, badCall);
}

// One element of a struct array result, field by field.
std::string opOf(const mxArray* log, std::size_t i) {
    const mxArray* op = mxGetField(log, i, "op");
    return op ? std::string(static_cast<const char*>(mxGetData(op)), mxGetNumberOfElements(op)) : "?";
}
std::vector<double> numbersOf(const mxArray* log, std::size_t i, const char* field) {
    const mxArray* a = mxGetField(log, i, field);
    if (a == nullptr || !mxIsDouble(a)) return {-999};
    return std::vector<double>(mxGetPr(a), mxGetPr(a) + mxGetNumberOfElements(a));
}

}  // namespace

TEST_F(Kxsim, AnswersTheBoardsState) {
    ASSERT_EQ(WriteAnalogOut(1, 300), 0);
    Outcome da = call("kxsim", 1, args(text("da"), scalar(1)));
    ASSERT_FALSE(da.raised) << da.message;
    EXPECT_EQ(da.values(0), std::vector<double>{300});
    Outcome now = call("kxsim", 1, args(text("now")));
    ASSERT_FALSE(now.raised) << now.message;
    EXPECT_EQ(now.values(0), std::vector<double>{kxsim_now()});
    Outcome level = call("kxsim", 0, args(text("level"), scalar(6), scalar(4)));
    EXPECT_FALSE(level.raised) << level.message;
    float volts = 0;
    ASSERT_EQ(ConfigureAnalogIn(6, 0), 0);
    ASSERT_EQ(ReadAnalogIn(&volts), 0);
    EXPECT_NEAR(volts, 4.0, 0.01);
}

TEST_F(Kxsim, LogsEveryDriverCallAsAStructArray) {
    ASSERT_EQ(WriteAnalogOut(1, 7), 0);
    ASSERT_EQ(ConfigureAnalogIn(1, 0), 0);
    Outcome o = call("kxsim", 3, args(text("log")));
    ASSERT_FALSE(o.raised) << o.message;
    const mxArray* log = o.results[0].get();
    ASSERT_EQ(mxGetClassID(log), mxSTRUCT_CLASS);
    ASSERT_EQ(mxGetNumberOfFields(log), 3);
    EXPECT_STREQ(mxGetFieldNameByNumber(log, 0), "op");
    EXPECT_STREQ(mxGetFieldNameByNumber(log, 1), "args");
    EXPECT_STREQ(mxGetFieldNameByNumber(log, 2), "result");
    ASSERT_EQ(mxGetM(log), 1u);
    ASSERT_EQ(mxGetN(log), 2u);
    EXPECT_EQ(opOf(log, 0), "WriteAnalogOut");
    EXPECT_EQ(numbersOf(log, 0, "args"), (std::vector<double>{1, 7}));
    EXPECT_EQ(numbersOf(log, 0, "result"), std::vector<double>{0});
    EXPECT_EQ(opOf(log, 1), "ConfigureAnalogIn");
    EXPECT_EQ(numbersOf(log, 1, "args"), (std::vector<double>{1, 0}));
    EXPECT_EQ(o.values(1), std::vector<double>{0});
    EXPECT_EQ(o.values(2), std::vector<double>{1000000});
}

TEST_F(Kxsim, RefusesWhatTheBoardRefusesWithItsMessage) {
    expectBadCall(call("kxsim", 0, args(text("inject"), text("ReadAD"), scalar(1), scalar(0))),
                  "kxsim('inject', op, n, value): unknown operation 'ReadAD'; the operations are "
                  "GetLibraryVersion, OpenDriver, CloseDriver, GetDriverVersion, GetBoardAddress, "
                  "ActivateBoard, GetActiveBoard, WriteAnalogOut, ConfigureAnalogIn, ReadAnalogIn, "
                  "DelayMicros, WriteTimerControl, ReadTimerCounter");
    expectBadCall(call("kxsim", 0, args(text("level"), scalar(2), scalar(std::nan("")))),
                  "kxsim('level', channel, volts): volts is a finite number");
    expectBadCall(call("kxsim", 0, args(text("plant"), scalar(1), scalar(0))),
                  "kxsim('plant', gain, tau): gain is a finite number and tau a finite number of "
                  "seconds above 0");
    expectBadCall(call("kxsim", 1, args(text("da"), scalar(2))),
                  "code = kxsim('da', channel): channel is 0 or 1");
    expectBadCall(call("kxsim", 0, args(text("now"), scalar(1))),
                  "'now' is called as t = kxsim('now')");
    // Nothing refused reached the board.
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
    EXPECT_EQ(kxsim_da(0), 2047);
}

TEST_F(Kxsim, EveryCallReachesTheBoard) {
    call("kxsim", 1, args(text("da"), scalar(0)));
    call("kxsim", 0, args(text("reset")));
    EXPECT_EQ(kxsim_unreachable(), nullptr);
    EXPECT_EQ(kxsim_da(0), 2047);
    EXPECT_EQ(kxsim_unreachable(), nullptr);
}
