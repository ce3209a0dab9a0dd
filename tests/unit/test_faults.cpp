// The fault sweep: every plug-in, every driver operation its short call
// makes, failing at every position in that call. Each failure either ends
// the call with the plug-in's message for that operation and no result, or
// is one whose status the plug-in does not test, and the call then runs as
// it would have. After every case the board works again.
#include <map>
#include <string>
#include <vector>

#include "board.h"
#include "messages.h"

using namespace mexhost;

namespace {

enum class Kind {
    Raises,    // the message (per position), no result, nothing after it
    Ignored,   // a status the plug-in does not look at: the call runs on
    Reported,  // a failed open: printed and handed back, no raise
    NoStatus,  // a value, not a status word: the call runs on
};

struct Expect {
    Kind kind;
    std::vector<std::string> messages;  // one, or one per position

    const std::string& message(std::size_t position) const {
        return messages.size() == 1 ? messages[0] : messages.at(position - 1);
    }
};

Expect raises(std::vector<std::string> m) { return {Kind::Raises, std::move(m)}; }
const Expect ignored{Kind::Ignored, {}};
const Expect noStatus{Kind::NoStatus, {}};

struct Row {
    const char* function;
    int nlhs;
    std::vector<Array> (*args)();
    bool session;  // called in an open session, or on a board at power-on
    std::map<std::string, Expect> ops;
};

// What a failing operation answers: every status bit set; for the board
// number, no board.
double failing(const std::string& op) { return op == "GetActiveBoard" ? -1 : 65535; }

const std::string duty = "KX4410 error at delaying duty cycle!";
const std::string rest = "KX4410 error at delaying rest of cycle!";

std::vector<Row> rows() {
    using namespace messages;
    std::vector<Row> r;
    r.push_back({"KX4410_InitDriverAndBoard", 2, [] { return args(scalar(0)); }, false,
                 {{"OpenDriver", {Kind::Reported, {}}},
                  {"ActivateBoard", raises({"KX4410 Board #0 could not be activated."})},
                  {"GetLibraryVersion", noStatus},
                  {"GetDriverVersion", ignored}}});
    r.push_back({"KX4410_CloseDriverAndBoard", 0, [] { return std::vector<Array>{}; }, true,
                 {{"CloseDriver", ignored}}});
    r.push_back({"KX4410_ErrorText", 1, [] { return args(scalar(9)); }, true, {}});
    r.push_back({"KX4410_ReadAD", 1, [] { return numbers({1, 0, 0, 3, 10}); }, true,
                 {{"ConfigureAnalogIn", raises({quantification})},
                  {"ReadAnalogIn", raises({adReading})},
                  {"DelayMicros", raises({delaying})}}});
    r.push_back({"KX4410_SendDA", 1, [] { return args(scalar(0), scalar(0), row({1, 2, 3}), scalar(10)); },
                 true,
                 {{"WriteAnalogOut", raises({daSending})}, {"DelayMicros", raises({delaying})}}});
    // Two periods of 9 ms with a duty cycle of 100 us: the rest of each in
    // waits of 8000 and 900 us.
    r.push_back({"KX4410_SendPWM", 1, [] { return numbers({0, 4095, 9, 100, 2}); }, true,
                 {{"WriteAnalogOut", raises({daSending})},
                  {"DelayMicros", raises({duty, rest, rest, duty, rest, rest})}}});
    r.push_back({"KX4410_Delay", 0, [] { return numbers({5}); }, true,
                 {{"DelayMicros", raises({delaying})}}});
    // The timed loops ignore their waits' status.
    const std::map<std::string, Expect> timed = {
        {"ConfigureAnalogIn", raises({quantification})},
        {"GetActiveBoard", raises({boardInformation})},
        {"GetBoardAddress", raises({boardInformation})},
        {"WriteTimerControl", raises({timerStarting})},
        {"WriteAnalogOut", raises({daSending})},
        {"ReadAnalogIn", raises({adReading})},
        {"ReadTimerCounter", noStatus},
        {"DelayMicros", ignored}};
    r.push_back({"KX4410_SendAndRead", 1,
                 [] { return args(scalar(1), scalar(0), scalar(0), scalar(1), row({1, 2, 3}), scalar(10)); },
                 true, timed});
    r.push_back({"KX4410_PID", 4,
                 [] {
                     return args(scalar(1), scalar(0), scalar(0), scalar(1), row({0.5, 1, 1.5}),
                                 scalar(10), scalar(1), scalar(0.1), scalar(0.01));
                 },
                 true, timed});
    return r;
}

class Faults : public BoardTest {
protected:
    void prepare(const Row& row) {
        kxsim_reset();
        if (row.session) openSession();
    }

    static std::vector<std::size_t> shapeOf(const Outcome& o) {
        std::vector<std::size_t> shape;
        for (const Array& a : o.results)
            if (a) shape.push_back(mxGetNumberOfElements(a.get()));
        return shape;
    }
};

}  // namespace

TEST_F(Faults, EveryOperationFailingAtEveryPositionRaisesItsMessageOrIsIgnored) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.function);
        prepare(row);
        const Outcome clean = call(row.function, row.nlhs, row.args());
        ASSERT_FALSE(clean.raised) << clean.message;
        const std::vector<std::string> cleanOps = boardOps();

        std::map<std::string, std::size_t> positions;
        for (const std::string& op : cleanOps) ++positions[op];
        // The table names exactly the operations the call makes.
        std::vector<std::string> called, tabled;
        for (const auto& p : positions) called.push_back(p.first);
        for (const auto& e : row.ops) tabled.push_back(e.first);
        EXPECT_EQ(called, tabled);

        for (const auto& entry : row.ops) {
            const std::string& op = entry.first;
            const Expect& expect = entry.second;
            for (std::size_t k = 1; k <= positions[op]; ++k) {
                SCOPED_TRACE(op + " #" + std::to_string(k));
                prepare(row);
                ASSERT_EQ(kxsim_inject(op.c_str(), static_cast<int>(k), failing(op)), 0);
                const Outcome o = call(row.function, row.nlhs, row.args());
                const std::vector<std::string> ops = boardOps();

                // The failing call itself: the k-th of op.
                std::size_t at = 0, seen = 0;
                while (at < ops.size() && (ops[at] != op || ++seen < k)) ++at;
                ASSERT_LT(at, ops.size());
                EXPECT_EQ(boardLog()[at].result, failing(op));

                if (expect.kind == Kind::Raises) {
                    expectFailed(o, expect.message(k));
                    // Nothing after it, but the address look-up that fails
                    // for the board number it answered.
                    const std::size_t end = at + 1 + (op == "GetActiveBoard" ? 1 : 0);
                    EXPECT_EQ(ops, std::vector<std::string>(cleanOps.begin(), cleanOps.begin() + end));
                    EXPECT_NE(boardLog().back().result, 0);
                } else if (expect.kind == Kind::Reported) {
                    // The call ends there, normally, with the status handed back.
                    EXPECT_FALSE(o.raised) << o.message;
                    EXPECT_EQ(ops, std::vector<std::string>(cleanOps.begin(), cleanOps.begin() + at + 1));
                    EXPECT_EQ(o.values(0), std::vector<double>{65535});
                    EXPECT_EQ(o.printed(), "KX4410 Driver Error at Initialization (65535).\n");
                } else {
                    EXPECT_FALSE(o.raised) << o.message;
                    EXPECT_EQ(ops, cleanOps);
                    EXPECT_EQ(shapeOf(o), shapeOf(clean));
                }

                // The board works again: a new session, and the same call.
                kxsim_clear_log();
                const Outcome init = call("KX4410_InitDriverAndBoard", 0, numbers({0}));
                ASSERT_FALSE(init.raised) << init.message;
                kxsim_clear_log();
                const Outcome again = call(row.function, row.nlhs, row.args());
                EXPECT_FALSE(again.raised) << again.message;
                EXPECT_EQ(boardOps(), cleanOps);
                EXPECT_EQ(shapeOf(again), shapeOf(clean));
            }
        }
    }
}
