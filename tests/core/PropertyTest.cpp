#include "core/PropertyListener.h"
#include "core/PropertyPublisher.h"

#include "support/CallRecorder.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class Recorder : public tolva::PropertyListener, public tolva::test::CallRecorder {
public:
    using CallRecorder::CallRecorder;
    void propertyChanged(const std::string& property) override { record(property); }
};

class PropertyTest : public ::testing::Test {
protected:
    tolva::test::LogCapture mWarnings;
    tolva::PropertyPublisher mPublisher;
    std::vector<std::string> mCalls;
};

TEST_F(PropertyTest, ListenersAreNotifiedInRegistrationOrder)
{
    Recorder a(mCalls, "a"), b(mCalls, "b");
    mPublisher.addPropertyListener(&b);
    mPublisher.addPropertyListener(&a);
    mPublisher.notifyPropertyChanged("resolution");
    EXPECT_EQ(mCalls, (std::vector<std::string>{"b:resolution", "a:resolution"}));
    EXPECT_TRUE(mWarnings.getLines().empty());
}

TEST_F(PropertyTest, SecondRegistrationIsRefusedWithAWarning)
{
    Recorder a(mCalls, "a");
    mPublisher.addPropertyListener(&a);
    mPublisher.addPropertyListener(&a);
    mPublisher.notifyPropertyChanged("resolution");
    EXPECT_EQ(mCalls, (std::vector<std::string>{"a:resolution"}));
    EXPECT_EQ(mWarnings.getLines(),
        (std::vector<std::string>{"Warning: Attempt to register a property listener to a publisher twice."}));
}

TEST_F(PropertyTest, RemovingAStrangerWarnsAndRemovedListenersHearNothing)
{
    Recorder a(mCalls, "a"), b(mCalls, "b");
    mPublisher.addPropertyListener(&a);
    mPublisher.addPropertyListener(&b);
    mPublisher.removePropertyListener(&a);
    mPublisher.removePropertyListener(&a);
    mPublisher.notifyPropertyChanged("x");
    EXPECT_EQ(mCalls, (std::vector<std::string>{"b:x"}));
    EXPECT_EQ(mWarnings.getLines(),
        (std::vector<std::string>{"Warning: Attempt to unregister non-registered property listener."}));
}

TEST_F(PropertyTest, NullListenerIsRefusedWithAWarning)
{
    mPublisher.addPropertyListener(nullptr);
    mPublisher.notifyPropertyChanged("x"); // would call through null
    EXPECT_EQ(mWarnings.getLines(), (std::vector<std::string>{"Warning: Attempt to register a null property listener."}));
}

TEST_F(PropertyTest, ListenerLeavingDuringANoticeIsNotCalledAfterwards)
{
    Recorder a(mCalls, "a"), b(mCalls, "b"), c(mCalls, "c");
    auto late = std::make_unique<Recorder>(mCalls, "late");
    mPublisher.addPropertyListener(&a);
    mPublisher.addPropertyListener(&b);
    mPublisher.addPropertyListener(&c);
    a.onCall = [&] {
        mPublisher.removePropertyListener(&a);
        mPublisher.removePropertyListener(&c); // c would be called after leaving otherwise
        mPublisher.addPropertyListener(late.get());
    };
    mPublisher.notifyPropertyChanged("x");
    EXPECT_EQ(mCalls, (std::vector<std::string>{"a:x", "b:x"}));
    mCalls.clear();
    mPublisher.notifyPropertyChanged("y");
    EXPECT_EQ(mCalls, (std::vector<std::string>{"b:y", "late:y"}));
    EXPECT_TRUE(mWarnings.getLines().empty());
}

} // namespace
