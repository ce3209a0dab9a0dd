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
const double kNaN = std::nan("");

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

namespace {

// Every AD channel's value now, and the board time.
std::vector<double> analogValues() {
    std::vector<double> v;
    for (int ch = 0; ch < 16; ++ch) v.push_back(kxsim_analog(ch));
    v.push_back(static_cast<double>(kxsim_now_ns()));
    return v;
}

}  // namespace

TEST_F(Kxsim, PlacesPlantsSourcesAndNoiseAndReadsWhatAChannelCarries) {
    kxsim_zero_costs();
    Outcome tf = call("kxsim", 0,
                      args(text("tf"), scalar(1), scalar(2), row({3}), column({0.004, 1}), scalar(0.001)));
    ASSERT_FALSE(tf.raised) << tf.message;
    ASSERT_EQ(WriteAnalogOut(1, 4095), 0);
    ASSERT_EQ(DelayMicros(3000), 0);
    // 2 ms of 10 V after the 1 ms dead time, from the rest at DA 1's start.
    const double start = 2047 / 204.75 - 10;
    const double y = 3 * start * -std::expm1(-0.003 / 0.004) + 3 * (10 - start) * -std::expm1(-0.002 / 0.004);
    EXPECT_NEAR(kxsim_analog(2), y, 1e-12);
    Outcome analog = call("kxsim", 1, args(text("analog"), scalar(2)));
    ASSERT_FALSE(analog.raised) << analog.message;
    EXPECT_EQ(analog.values(0), std::vector<double>{kxsim_analog(2)});

    Outcome limits = call("kxsim", 0, args(text("limits"), scalar(2), scalar(-1e300), scalar(5)));
    EXPECT_FALSE(limits.raised) << limits.message;
    Outcome signal = call("kxsim", 0, args(text("signal"), scalar(2), text("square"), scalar(0.5),
                                           scalar(10), scalar(0), scalar(0)));
    EXPECT_FALSE(signal.raised) << signal.message;
    EXPECT_EQ(kxsim_analog(2), 5.0 + 0.5);
    Outcome noise = call("kxsim", 0, args(text("noise"), scalar(3), scalar(0.25), scalar(9007199254740992.0)));
    EXPECT_FALSE(noise.raised) << noise.message;
    EXPECT_NE(kxsim_analog(3), 0.0);
    Outcome lab = call("kxsim", 0, args(text("lab"), text("tanks"), scalar(0), scalar(4)));
    EXPECT_FALSE(lab.raised) << lab.message;
    Outcome unplant = call("kxsim", 0, args(text("unplant"), scalar(2)));
    EXPECT_FALSE(unplant.raised) << unplant.message;
    EXPECT_EQ(kxsim_analog(2), 0.0 + 0.5);
    // Not one of them was a driver call.
    EXPECT_EQ(boardLog(), (std::vector<DriverCall>{daWrite(1, 4095), waitUs(3000)}));
}

struct FormCase {
    std::vector<Array> (*args)();
    std::string message;
};

TEST_F(Kxsim, RefusesWhatTheLabCannotSimulateWithItsMessageAndChangesNothing) {
    const std::string tf = "kxsim('tf', da, ad, num, den, delay): ";
    const std::string lab = "kxsim('lab', name, da, ad): ";
    const std::string signal = "kxsim('signal', channel, kind, amplitude, frequency, phase, offset): ";
    const std::string noise = "kxsim('noise', channel, sigma, seed): ";
    const FormCase cases[] = {
        {[] { return args(text("tf"), scalar(0.5), scalar(2), row({1}), row({1, 1}), scalar(0)); },
         tf + "da and ad are whole numbers"},
        {[] { return args(text("tf"), scalar(2), scalar(3), row({1}), row({1, 1}), scalar(0)); },
         tf + "da is 0 or 1"},
        {[] { return args(text("tf"), scalar(0), scalar(16), row({1}), row({1, 1}), scalar(0)); },
         tf + "ad is from 0 to 15"},
        {[] { return args(text("tf"), scalar(0), scalar(3), text("1"), row({1, 1}), scalar(0)); },
         tf + "num and den are real double vectors"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), matrix(2, 2, {1, 2, 3, 4}), scalar(0)); },
         tf + "num and den are real double vectors"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), matrix(0, 0), scalar(0)); },
         tf + "num and den hold one coefficient or more"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row({1, kNaN}), scalar(0)); },
         tf + "the coefficients are finite numbers"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row({0, 1}), scalar(0)); },
         tf + "den's leading coefficient is not 0"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row(std::vector<double>(10, 1.0)), scalar(0)); },
         tf + "den's degree, the plant's order, is at most 8"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1, 0, 0}), row({1, 1}), scalar(0)); },
         tf + "num's degree is at most den's: the transfer function is proper"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row({1, 1}), scalar(-0.5)); },
         tf + "delay is a finite number of seconds from 0 to 1e6"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row({1, 1}), text("0")); },
         tf + "delay is a real number of seconds"},
        {[] { return args(text("tf"), scalar(0), scalar(5), row({1}), row({1, 1}), scalar(0)); },
         tf + "ad already reads a plant: remove that one first"},
        {[] { return args(text("lab"), text("pendulum"), scalar(0), scalar(3)); },
         lab + "name is dcmotor, heater, tanks or massspring"},
        {[] { return args(text("lab"), scalar(1), scalar(0), scalar(3)); },
         lab + "name is dcmotor, heater, tanks or massspring"},
        {[] { return args(text("lab"), text("heater"), scalar(0), scalar(5)); },
         lab + "ad already reads a plant: remove that one first"},
        {[] { return args(text("unplant"), scalar(16)); }, "kxsim('unplant', ad): ad is from 0 to 15"},
        {[] { return args(text("unplant"), text("all")); }, "kxsim('unplant', ad): ad is a whole number"},
        {[] { return args(text("limits"), scalar(3), scalar(0), scalar(1)); },
         "kxsim('limits', ad, lo, hi): ad reads no plant"},
        {[] { return args(text("limits"), scalar(5), scalar(1), scalar(0)); },
         "kxsim('limits', ad, lo, hi): lo and hi are numbers, lo at most hi"},
        {[] { return args(text("limits"), scalar(5), row({0, 1}), scalar(2)); },
         "kxsim('limits', ad, lo, hi): lo and hi are real numbers"},
        {[] { return args(text("signal"), scalar(4), text("saw"), scalar(1), scalar(1), scalar(0), scalar(0)); },
         signal + "kind is sine, square, triangle, sawtooth or none"},
        {[] { return args(text("signal"), scalar(4), scalar(1), scalar(1), scalar(1), scalar(0), scalar(0)); },
         signal + "kind is sine, square, triangle, sawtooth or none"},
        {[] { return args(text("signal"), scalar(4), text("sine"), text("1"), scalar(1), scalar(0), scalar(0)); },
         signal + "amplitude, frequency, phase and offset are real numbers"},
        {[] { return args(text("signal"), scalar(4), text("sine"), scalar(1), scalar(-1), scalar(0), scalar(0)); },
         signal + "frequency is a finite number of hertz, 0 or more"},
        {[] { return args(text("signal"), scalar(16), text("sine"), scalar(1), scalar(1), scalar(0), scalar(0)); },
         signal + "channel is from 0 to 15"},
        {[] { return args(text("noise"), scalar(4), scalar(-1), scalar(1)); },
         noise + "sigma is a finite number of volts, 0 or more"},
        {[] { return args(text("noise"), scalar(4), scalar(1), scalar(1.5)); },
         noise + "seed is a whole number from 0 to 2^53"},
        {[] { return args(text("noise"), scalar(4), scalar(1), scalar(-1)); },
         noise + "seed is a whole number from 0 to 2^53"},
        {[] { return args(text("noise"), scalar(4), scalar(1), scalar(9007199254740994.0)); },
         noise + "seed is a whole number from 0 to 2^53"},
        {[] { return args(text("analog"), scalar(16)); },
         "v = kxsim('analog', channel): channel is a whole number from 0 to 15"},
        {[] { return args(text("tf"), scalar(0), scalar(3), row({1}), row({1, 1})); },
         "'tf' is called as kxsim('tf', da, ad, num, den, delay)"},
        {[] { return args(text("analog")); }, "'analog' is called as v = kxsim('analog', channel)"},
    };
    const double one = 1, den[] = {0.002, 1};
    ASSERT_EQ(kxsim_set_tf(0, 5, &one, 1, den, 2, 0, nullptr), 0);
    ASSERT_EQ(kxsim_set_noise(6, 0.5, 3, nullptr), 0);
    ASSERT_EQ(WriteAnalogOut(0, 3000), 0);
    ASSERT_EQ(DelayMicros(700), 0);
    kxsim_clear_log();
    const std::vector<double> before = analogValues();
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.message);
        expectBadCall(call("kxsim", 0, c.args()), c.message);
        EXPECT_EQ(analogValues(), before);
    }
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
}
