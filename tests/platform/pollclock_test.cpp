// The pollers' clock: read only every few polls while they come quickly, yet
// never more than a bounded number of polls late, however the pace changes.
#include "platform/drawinginterrupt.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

// A clock the test moves by hand; counts its readings.
struct TFakeClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<TFakeClock>;
    static constexpr bool is_steady = true;
    static inline time_point Now{};
    static inline int Readings = 0;
    static time_point now()
    {
        ++Readings;
        return Now;
    }
};

using namespace std::chrono_literals;

TEST(PollClock, AnswersDueWithinABoundedNumberOfPollsAtAnyPace)
{
    struct TPhase {
        std::chrono::nanoseconds pace; // between two polls
        int polls;
    };
    struct TCase {
        const char* name;
        std::vector<TPhase> phases;
        int maximumReadings; // over the whole case
    };
    const std::chrono::nanoseconds interval = 10ms;
    const TCase cases[] = {
        {"fast polls read the clock rarely", {{100ns, 200000}}, 200000 / TPollClock<TFakeClock>::MaximumStride + 10},
        {"slow polls read it every time", {{2ms, 100}}, 1 + 100},
        {"fast, then suddenly slow", {{100ns, 50000}, {3ms, 60}}, 50000 / 8 + 60},
        {"slow, then fast", {{1ms, 50}, {50ns, 100000}}, 50 + 100000 / 8},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeClock::Now = TFakeClock::time_point(1h);
        TFakeClock::Readings = 0;
        TPollClock<TFakeClock> clock;
        EXPECT_TRUE(clock.Due(interval)); // the first poll is due
        TFakeClock::time_point lastDue = TFakeClock::Now;
        for (const TPhase& phase : c.phases) {
            for (int k = 0; k < phase.polls; ++k) {
                TFakeClock::Now += phase.pace;
                if (clock.Due(interval)) {
                    // Never early, and late by at most the polls of one stride.
                    EXPECT_GE(TFakeClock::Now - lastDue, interval);
                    lastDue = TFakeClock::Now;
                }
                constexpr int stride = TPollClock<TFakeClock>::MaximumStride;
                EXPECT_LE(TFakeClock::Now - lastDue, interval + stride * phase.pace) << "poll " << k;
                // Slow polls soon read the clock every time again.
                if (phase.pace >= 1ms && k >= 2 * stride) {
                    EXPECT_LE(TFakeClock::Now - lastDue, interval + phase.pace) << "poll " << k;
                }
            }
        }
        EXPECT_LE(TFakeClock::Readings, c.maximumReadings);
    }
}

TEST(PollClock, ReadsAtOnceWhenToldThatPollsWillComeSlowly)
{
    TFakeClock::Now = TFakeClock::time_point(1h);
    TPollClock<TFakeClock> clock;
    for (int k = 0; k < 1000; ++k) { // fast polls: the clock is read rarely
        TFakeClock::Now += 100ns;
        (void)clock.Due(10ms);
    }
    clock.ReadEveryPoll();
    TFakeClock::Now += 20ms; // a wait, as a paused drawing makes
    TFakeClock::Readings = 0;
    EXPECT_TRUE(clock.Due(10ms));
    EXPECT_EQ(TFakeClock::Readings, 1);
}

} // namespace
