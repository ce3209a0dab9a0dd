// kxsim, the simulated board's control port as a MEX function, in our host:
// its answers and its refusals, the same on the board in-process and
// through a running driver server.
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "board.h"
#include "portstate.h"

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

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A form the control port refuses, with its whole message.
struct RefusedForm {
    const char* name;
    int nlhs;
    std::function<std::vector<Array>()> args;
    std::string message;
};

std::vector<Array> inject(const char* op, double n, double value) {
    return args(text("inject"), text(op), scalar(n), scalar(value));
}

const std::string injectForm = "kxsim('inject', op, n, value): ";
const std::string statusWord = injectForm + "value is the operation's status word: a whole number from 0 to 65535";
const std::string versionWord = injectForm + "value is GetLibraryVersion's version word: a whole number from 0 to 65535";
const std::string boardNumber = injectForm + "value is GetActiveBoard's board number: a whole number from -2147483648 to 2147483647";
const std::string counterReading = injectForm + "value is ReadTimerCounter's 32-bit reading: a whole number from 0 to 4294967295";
const std::string timerCounts = "kxsim('timer', counts): counts are ReadTimerCounter's 32-bit readings: whole numbers from 0 to 4294967295";
const std::string floatReadings = "kxsim('ad', channel, volts): volts are 32-bit float readings: NaN, Inf, -Inf or finite numbers of magnitude at most 3.4028234663852886e+38";
const std::string finiteLevel = "kxsim('level', channel, volts): volts is a finite number";
const std::string logForms = "'log' is called as [L, dropped, capacity] = kxsim('log') or [L, dropped, capacity] = kxsim('log', 'compact')";

const std::vector<RefusedForm> refusedForms = {
    {"InjectStatusNaN", 0, [] { return inject("ReadAnalogIn", 1, kNaN); }, statusWord},
    {"InjectStatusInf", 0, [] { return inject("ReadAnalogIn", 1, kInf); }, statusWord},
    {"InjectStatusMinusInf", 0, [] { return inject("ReadAnalogIn", 1, -kInf); }, statusWord},
    {"InjectStatusHalf", 0, [] { return inject("ReadAnalogIn", 1, 0.5); }, statusWord},
    {"InjectStatus65536", 0, [] { return inject("ReadAnalogIn", 1, 65536); }, statusWord},
    {"InjectStatus1e30", 0, [] { return inject("ReadAnalogIn", 1, 1e30); }, statusWord},
    {"InjectStatusMinusOne", 0, [] { return inject("OpenDriver", 1, -1); }, statusWord},
    {"InjectVersion65536", 0, [] { return inject("GetLibraryVersion", 1, 65536); }, versionWord},
    {"InjectBoardTopBit", 0, [] { return inject("GetActiveBoard", 1, 2147483648.0); }, boardNumber},
    {"InjectBoardBelowLowest", 0, [] { return inject("GetActiveBoard", 1, -2147483649.0); }, boardNumber},
    {"InjectReading2To32", 0, [] { return inject("ReadTimerCounter", 1, 4294967296.0); }, counterReading},
    {"InjectReadingMinusOne", 0, [] { return inject("ReadTimerCounter", 1, -1); }, counterReading},
    {"InjectN2To31", 0, [] { return inject("ReadAnalogIn", 2147483648.0, 9); }, injectForm + "n is at most 2147483647"},
    {"InjectN1e30", 0, [] { return inject("ReadAnalogIn", 1e30, 9); }, injectForm + "n is at most 2147483647"},
    {"InjectNInf", 0, [] { return inject("ReadAnalogIn", kInf, 9); }, injectForm + "n is a whole number, 1 or more"},
    {"InjectNFraction", 0, [] { return inject("ReadAnalogIn", 1.5, 9); }, injectForm + "n is a whole number, 1 or more"},
    // The operation first: a value is judged by its operation's result.
    {"InjectUnknownAndNaN", 0, [] { return inject("ReadAD", 1, kNaN); },
     injectForm + "unknown operation 'ReadAD'; the operations are GetLibraryVersion, OpenDriver, "
                  "CloseDriver, GetDriverVersion, GetBoardAddress, ActivateBoard, GetActiveBoard, "
                  "WriteAnalogOut, ConfigureAnalogIn, ReadAnalogIn, DelayMicros, WriteTimerControl, "
                  "ReadTimerCounter"},
    {"TimerMinusOne", 0, [] { return args(text("timer"), row({5, -1})); }, timerCounts},
    {"TimerNaN", 0, [] { return args(text("timer"), row({kNaN})); }, timerCounts},
    {"Timer2To32", 0, [] { return args(text("timer"), row({4294967296.0})); }, timerCounts},
    {"TimerFraction", 0, [] { return args(text("timer"), row({0.5})); }, timerCounts},
    {"AdBeyondFloat", 0, [] { return args(text("ad"), scalar(3), row({1, 1e39})); }, floatReadings},
    {"AdBeyondFloatNegative", 0, [] { return args(text("ad"), scalar(3), row({-1e300})); }, floatReadings},
    {"LevelInf", 0, [] { return args(text("level"), scalar(2), scalar(kInf)); }, finiteLevel},
    {"LevelMinusInf", 0, [] { return args(text("level"), scalar(2), scalar(-kInf)); }, finiteLevel},
    {"LogOtherForm", 1, [] { return args(text("log"), text("fast")); },
     "[L, dropped, capacity] = kxsim('log', 'compact'): the second argument is 'compact'"},
    {"LogCompactNotText", 1, [] { return args(text("log"), scalar(1)); },
     "[L, dropped, capacity] = kxsim('log', 'compact'): the second argument is 'compact'"},
    {"LogTwoArguments", 1, [] { return args(text("log"), text("compact"), text("compact")); }, logForms},
    {"LogCompactFourResults", 4, [] { return args(text("log"), text("compact")); },
     "'log' is called as [L, dropped, capacity] = kxsim('log', 'compact')"},
};

// The log of a session after a few calls of every argument count, failing
// and injected ones too.
void logSomeCalls() {
    uint16_t w = 0;
    float v = 0;
    GetLibraryVersion();
    GetBoardAddress(0, &w, &w, &w, &w);
    WriteAnalogOut(1, 300);
    WriteAnalogOut(7, 9999);
    ReadAnalogIn(&v);
    DelayMicros(5);
    WriteTimerControl(0xE000, 2, 0xB6, -1);
    ReadTimerCounter(0xE000, 2, 0x80);
    kxsim_inject("GetActiveBoard", 1, -2147483648.0);
    GetActiveBoard();
    GetActiveBoard();
    kxsim_inject("ReadTimerCounter", 1, 4294967295.0);
    ReadTimerCounter(0, 0, 0);
}

// The compact log's columns, checked for shape; its entries as calls.
std::vector<DriverCall> compactCalls(const mxArray* log, std::size_t size) {
    EXPECT_EQ(mxGetClassID(log), mxSTRUCT_CLASS);
    EXPECT_EQ(mxGetNumberOfElements(log), 1u);
    const char* fields[] = {"op", "names", "args", "nargs", "result"};
    if (mxGetNumberOfFields(log) != 5) return {{"(fields)", {}, -1}};
    for (int f = 0; f < 5; ++f) EXPECT_STREQ(mxGetFieldNameByNumber(log, f), fields[f]);
    const mxArray* names = mxGetField(log, 0, "names");
    const mxArray* op = mxGetField(log, 0, "op");
    const mxArray* values = mxGetField(log, 0, "args");
    const mxArray* nargs = mxGetField(log, 0, "nargs");
    const mxArray* result = mxGetField(log, 0, "result");
    EXPECT_EQ(mxGetClassID(names), mxCELL_CLASS);
    EXPECT_EQ(mxGetM(names), 1u);
    EXPECT_EQ(mxGetN(names), 13u);
    for (const mxArray* a : {op, values, nargs, result}) {
        EXPECT_TRUE(mxIsDouble(a));
        EXPECT_EQ(mxGetM(a), size);
    }
    EXPECT_EQ(mxGetN(op), 1u);
    EXPECT_EQ(mxGetN(values), 4u);
    EXPECT_EQ(mxGetN(nargs), 1u);
    EXPECT_EQ(mxGetN(result), 1u);
    std::vector<DriverCall> calls;
    for (std::size_t i = 0; i < size; ++i) {
        const double index = mxGetPr(op)[i];
        const double count = mxGetPr(nargs)[i];
        if (!(index >= 1 && index <= 13 && count >= 0 && count <= 4)) {
            calls.push_back({"(unreadable)", {}, -1});
            continue;
        }
        const mxArray* name = mxGetCell(names, static_cast<std::size_t>(index) - 1);
        DriverCall c{name ? std::string(static_cast<const char*>(mxGetData(name)), mxGetNumberOfElements(name)) : "?",
                     {}, mxGetPr(result)[i]};
        for (std::size_t j = 0; j < 4; ++j) {
            const double a = mxGetPr(values)[i + j * size];
            if (j < count)
                c.args.push_back(a);
            else
                EXPECT_TRUE(std::isnan(a)) << "entry " << i << ", argument " << j;
        }
        calls.push_back(c);
    }
    return calls;
}

// The struct array's elements as calls.
std::vector<DriverCall> structCalls(const mxArray* log) {
    std::vector<DriverCall> calls;
    for (std::size_t i = 0; i < mxGetNumberOfElements(log); ++i) {
        const std::vector<double> result = numbersOf(log, i, "result");
        calls.push_back({opOf(log, i), numbersOf(log, i, "args"), result.size() == 1 ? result[0] : -999});
    }
    return calls;
}

}  // namespace

TEST_F(Kxsim, RefusesWhatTheBoardCannotHoldAndChangesNothing) {
    for (const RefusedForm& f : refusedForms) {
        SCOPED_TRACE(f.name);
        fillPort();
        const PortState before = portState();
        expectBadCall(call("kxsim", f.nlhs, f.args()), f.message);
        EXPECT_EQ(portState(), before);
        kxsim_reset();
        openSession();
    }
}

TEST_F(Kxsim, TakesTheLargestValuesEachResultHolds) {
    struct Case {
        const char* op;
        double value;
    };
    for (const Case c : {Case{"ReadAnalogIn", 65535}, Case{"GetLibraryVersion", 65535},
                         Case{"GetActiveBoard", -2147483648.0}, Case{"GetActiveBoard", 2147483647.0},
                         Case{"ReadTimerCounter", 4294967295.0}, Case{"ReadTimerCounter", 0}}) {
        SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.value));
        const Outcome o = call("kxsim", 0, inject(c.op, 2147483647.0, c.value));
        EXPECT_FALSE(o.raised) << o.message;
    }
    EXPECT_EQ(kxsim_injections_pending(), 6u);
    Outcome timer = call("kxsim", 0, args(text("timer"), row({0, 4294967295.0})));
    EXPECT_FALSE(timer.raised) << timer.message;
    Outcome ad = call("kxsim", 0, args(text("ad"), scalar(3), row({kNaN, kInf, -kInf, -3.4028234663852886e+38})));
    EXPECT_FALSE(ad.raised) << ad.message;
    EXPECT_EQ(kxsim_timer_queued(), 2u);
    EXPECT_EQ(kxsim_ad_queued(3), 4u);
}

TEST_F(Kxsim, HoldsAtMostAThousandInjections) {
    for (int k = 0; k < 1000; ++k) {
        const Outcome o = call("kxsim", 0, inject("WriteAnalogOut", k + 1, 16));
        ASSERT_FALSE(o.raised) << k << ": " << o.message;
    }
    const PortState full = portState();
    EXPECT_EQ(full.injections, 1000u);
    expectBadCall(call("kxsim", 0, inject("ReadAnalogIn", 1, 9)),
                  injectForm + "1000 injections are pending already, the most the board holds");
    EXPECT_EQ(portState(), full);
}

TEST_F(Kxsim, HoldsAtMostHalfAMillionReadingsInEachQueue) {
    const std::vector<double> readings(499999, 1.0);
    Outcome timer = call("kxsim", 0, args(text("timer"), row(readings)));
    ASSERT_FALSE(timer.raised) << timer.message;
    Outcome ad = call("kxsim", 0, args(text("ad"), scalar(3), row(readings)));
    ASSERT_FALSE(ad.raised) << ad.message;
    const PortState nearlyFull = portState();
    expectBadCall(call("kxsim", 0, args(text("timer"), row({1, 2}))),
                  "kxsim('timer', counts): the timer's queue holds at most 500000 readings, those "
                  "waiting included");
    expectBadCall(call("kxsim", 0, args(text("ad"), scalar(3), row({1, 2}))),
                  "kxsim('ad', channel, volts): a channel's queue holds at most 500000 readings, "
                  "those waiting included");
    EXPECT_EQ(portState(), nearlyFull);
    // One more fits, and another channel has a queue of its own.
    EXPECT_FALSE(call("kxsim", 0, args(text("timer"), row({1}))).raised);
    EXPECT_FALSE(call("kxsim", 0, args(text("ad"), scalar(3), row({1}))).raised);
    EXPECT_FALSE(call("kxsim", 0, args(text("ad"), scalar(4), row({1}))).raised);
    EXPECT_EQ(kxsim_timer_queued(), 500000u);
    EXPECT_EQ(kxsim_ad_queued(3), 500000u);
    EXPECT_EQ(kxsim_ad_queued(4), 1u);
    // A queue longer than the bound on its own, into an empty one.
    kxsim_reset();
    const std::vector<double> tooMany(500001, 1.0);
    expectBadCall(call("kxsim", 0, args(text("ad"), scalar(5), row(tooMany))),
                  "kxsim('ad', channel, volts): a channel's queue holds at most 500000 readings, "
                  "those waiting included");
    EXPECT_EQ(kxsim_ad_queued(5), 0u);
}

TEST_F(Kxsim, TheCompactLogHoldsWhatTheStructArrayHolds) {
    logSomeCalls();
    Outcome full = call("kxsim", 3, args(text("log")));
    ASSERT_FALSE(full.raised) << full.message;
    Outcome compact = call("kxsim", 3, args(text("log"), text("compact")));
    ASSERT_FALSE(compact.raised) << compact.message;
    const std::vector<DriverCall> expected = boardLog();
    ASSERT_EQ(expected.size(), 11u);
    EXPECT_EQ(compactCalls(compact.results[0].get(), 11), expected);
    EXPECT_EQ(structCalls(full.results[0].get()), expected);
    EXPECT_EQ(expected.at(8), (DriverCall{"GetActiveBoard", {}, -2147483648.0}));
    EXPECT_EQ(expected.at(10), (DriverCall{"ReadTimerCounter", {0, 0, 0}, 4294967295.0}));
    EXPECT_EQ(compact.values(1), std::vector<double>{0});
    EXPECT_EQ(compact.values(2), std::vector<double>{1000000});
}

TEST_F(Kxsim, TheCompactLogSpansManyBlocksAndCountsWhatItDropped) {
    kxsim_set_log_capacity(10000);
    for (int k = 0; k < 12345; ++k) WriteAnalogOut(k % 3, k);
    Outcome full = call("kxsim", 3, args(text("log")));
    ASSERT_FALSE(full.raised) << full.message;
    Outcome compact = call("kxsim", 3, args(text("log"), text("compact")));
    ASSERT_FALSE(compact.raised) << compact.message;
    const std::vector<DriverCall> expected = boardLog();
    ASSERT_EQ(expected.size(), 10000u);
    EXPECT_EQ(expected.front(), (DriverCall{"WriteAnalogOut", {2, 2345}, 13}));
    EXPECT_EQ(expected.back(), (DriverCall{"WriteAnalogOut", {2, 12344}, 13}));
    EXPECT_EQ(compactCalls(compact.results[0].get(), 10000), expected);
    EXPECT_EQ(structCalls(full.results[0].get()), expected);
    EXPECT_EQ(compact.values(1), std::vector<double>{2345});
    EXPECT_EQ(compact.values(2), std::vector<double>{10000});
}

TEST_F(Kxsim, TheCompactLogOfNoCallsHasNoRows) {
    Outcome compact = call("kxsim", 1, args(text("log"), text("compact")));
    ASSERT_FALSE(compact.raised) << compact.message;
    EXPECT_EQ(compactCalls(compact.results[0].get(), 0), std::vector<DriverCall>{});
}

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
