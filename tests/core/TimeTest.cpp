#include "core/ScheduleListener.h"
#include "core/Time.h"

#include <OgreLog.h>
#include <OgreLogManager.h>

#include "support/CallRecorder.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The schedule driven by a clock the test sets; each reading can also advance it, like a slow
// callback would.
class ManualTime : public tolva::Time {
public:
    std::uint64_t now = 1000;
    std::uint64_t stepPerRead = 0;

protected:
    std::uint64_t readClock() override
    {
        const std::uint64_t reading = now;
        now += stepPerRead;
        return reading;
    }
};

class Recorder : public tolva::ScheduleListener, public tolva::test::CallRecorder {
public:
    using CallRecorder::CallRecorder;
    void scheduled() override { record(); }
};

class TimeTest : public ::testing::Test {
protected:
    std::vector<std::string> mCalls;
    ManualTime mTime;
};

TEST_F(TimeTest, EntryFiresOnlyOnceTheClockIsPastItsDueTime)
{
    Recorder a(mCalls, "a");
    mTime.addSchedule(0.0f, &a);
    mTime.frame(0);
    EXPECT_TRUE(mCalls.empty());
    EXPECT_TRUE(mTime.isScheduled(&a));
    mTime.now += 1;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"a"}));
    EXPECT_FALSE(mTime.isScheduled(&a));
    mTime.now += 100;
    mTime.frame(0);
    EXPECT_EQ(mCalls.size(), 1u);
}

TEST_F(TimeTest, DelaysAreTruncatedToWholeMilliseconds)
{
    Recorder one(mCalls, "1ms");
    Recorder two(mCalls, "2ms");
    Recorder late(mCalls, "late");
    mTime.addSchedule(0.0025f, &two);
    mTime.addSchedule(0.0015f, &one);
    mTime.addSchedule(-3.0f, &late); // counts as zero
    mTime.now += 1;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"late"}));
    mTime.now += 1; // past 1 ms, not past 2 ms
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"late", "1ms"}));
    mTime.now += 1;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"late", "1ms", "2ms"}));
}

TEST_F(TimeTest, DueEntriesFireInOneFrameEarliestFirstThenByAddress)
{
    Recorder listeners[3] = {{mCalls, "first"}, {mCalls, "second"}, {mCalls, "late"}};
    Recorder* lower = &listeners[0];
    Recorder* higher = &listeners[1];
    mTime.addSchedule(0.2f, &listeners[2]);
    mTime.addSchedule(0.1f, higher);
    mTime.addSchedule(0.1f, lower);
    mTime.now += 250;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"first", "second", "late"}));
}

TEST_F(TimeTest, SameListenerFiresOncePerDistinctDueTime)
{
    Recorder a(mCalls, "a");
    mTime.addSchedule(0.01f, &a);
    mTime.addSchedule(0.01f, &a); // identical pair: held once
    mTime.addSchedule(0.02f, &a);
    mTime.now += 100;
    mTime.frame(0);
    EXPECT_EQ(mCalls.size(), 2u);
}

TEST_F(TimeTest, RemoveAndClearDropEntriesWithoutCalling)
{
    Recorder a(mCalls, "a");
    Recorder b(mCalls, "b");
    mTime.addSchedule(0.01f, &a);
    mTime.addSchedule(0.02f, &a);
    mTime.addSchedule(0.03f, &a);
    mTime.addSchedule(0.01f, &b);
    mTime.removeSchedule(&a);
    EXPECT_FALSE(mTime.isScheduled(&a));
    EXPECT_TRUE(mTime.isScheduled(&b));
    mTime.removeSchedule(&a); // nothing left: no error
    mTime.now += 100;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"b"}));

    mTime.addSchedule(0.0f, &a);
    mTime.addSchedule(0.0f, &b);
    mTime.clearSchedule();
    mTime.now += 100;
    mTime.frame(0);
    EXPECT_EQ(mCalls.size(), 1u);
}

TEST_F(TimeTest, CallbackChangingItsOwnEntriesLeavesOthersInPlace)
{
    Recorder remover(mCalls, "remover");
    Recorder adder(mCalls, "adder");
    Recorder other(mCalls, "other");
    mTime.addSchedule(0.001f, &remover);
    mTime.addSchedule(0.5f, &remover);
    mTime.addSchedule(0.002f, &adder);
    mTime.addSchedule(0.003f, &other);
    mTime.addSchedule(0.5f, &other);
    remover.onCall = [&] { mTime.removeSchedule(&remover); };
    adder.onCall = [&] { mTime.addSchedule(0.1f, &adder); };

    mTime.now += 10;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"remover", "adder", "other"}));
    EXPECT_FALSE(mTime.isScheduled(&remover));
    EXPECT_TRUE(mTime.isScheduled(&adder));
    EXPECT_TRUE(mTime.isScheduled(&other));

    mTime.now += 1000;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"remover", "adder", "other", "adder", "other"}));
}

TEST_F(TimeTest, ListenerReschedulingItselfForNowWaitsForTheNextFrame)
{
    Recorder eager(mCalls, "eager");
    Recorder patient(mCalls, "patient");
    eager.onCall = [&] { mTime.addSchedule(0.0f, &eager); };
    mTime.addSchedule(0.0f, &eager);
    mTime.addSchedule(0.005f, &patient);
    // Every reading advances the clock, as a slow callback would: re-reading it could otherwise
    // keep the re-added entry due forever.
    mTime.stepPerRead = 5;
    mTime.now += 1;
    mTime.frame(0);
    // The entry that was pending fires; its replacement waits, and an entry that became due
    // during the pass still fires in it, after the one before it.
    EXPECT_EQ(mCalls, (std::vector<std::string>{"eager", "patient"}));
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"eager", "patient", "eager"}));
    EXPECT_TRUE(mTime.isScheduled(&eager));
}

TEST_F(TimeTest, AFiredEntryIsScheduledDuringItsCallAndGoneAfterItEvenWhenTheCallRaises)
{
    Recorder quiet(mCalls, "quiet");
    Recorder raising(mCalls, "raising");
    std::vector<bool> scheduledInside;
    quiet.onCall = [&] { scheduledInside.push_back(mTime.isScheduled(&quiet)); };
    raising.onCall = [&] {
        scheduledInside.push_back(mTime.isScheduled(&raising));
        throw std::runtime_error("the callback failed");
    };
    mTime.addSchedule(0.001f, &quiet);
    mTime.addSchedule(0.002f, &raising);
    mTime.now += 10;
    EXPECT_THROW(mTime.frame(0), std::runtime_error);
    EXPECT_EQ(scheduledInside, (std::vector<bool>{true, true}));
    EXPECT_FALSE(mTime.isScheduled(&quiet));
    EXPECT_FALSE(mTime.isScheduled(&raising));
    mTime.now += 10;
    mTime.frame(0);
    EXPECT_EQ(mCalls, (std::vector<std::string>{"quiet", "raising"}));
}

TEST_F(TimeTest, NullListenerIsRefusedWithAWarning)
{
    tolva::test::LogCapture catcher;

    mTime.addSchedule(0.0f, nullptr);
    EXPECT_EQ(catcher.getLines(), (std::vector<std::string>{"Warning: Attempt to schedule a null listener."}));
    EXPECT_FALSE(mTime.isScheduled(nullptr));
    mTime.now += 10;
    mTime.frame(0); // would call through null
}

TEST(TimeRealClock, ZeroDelayFiresOnceTheClockHasMoved)
{
    std::vector<std::string> calls;
    Recorder a(calls, "a");
    Recorder later(calls, "later");
    tolva::Time time;
    time.addSchedule(0.0f, &a);
    time.addSchedule(3600.0f, &later);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    time.frame(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"a"}));
    EXPECT_TRUE(time.isScheduled(&later));
}

} // namespace
