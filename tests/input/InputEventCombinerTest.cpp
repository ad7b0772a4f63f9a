// The combining rule of the input signals, without a window: slots run in connection order until
// one consumes the event.

#include <gtest/gtest.h>

#include <boost/signals2/shared_connection_block.hpp>

#include <string>
#include <vector>

#include "input/Input.h"

namespace tolva::test {
namespace {

OIS::KeyEvent keyEvent(OIS::KeyCode key)
{
    return OIS::KeyEvent(nullptr, key, 0);
}

TEST(InputEventCombiner, ASignalWithoutSlotsReportsNothingConsumed)
{
    KeySignal keys;
    MouseButtonSignal buttons;
    EXPECT_FALSE(keys(keyEvent(OIS::KC_A)));
    OIS::MouseState state;
    EXPECT_FALSE(buttons(OIS::MouseEvent(nullptr, state), OIS::MB_Left));
}

TEST(InputEventCombiner, TheFirstSlotThatConsumesHidesTheEventFromLaterSlots)
{
    KeySignal keys;
    std::vector<std::string> calls;
    keys.connect([&calls](const OIS::KeyEvent&) {
        calls.push_back("first");
        return false;
    });
    keys.connect([&calls](const OIS::KeyEvent& e) {
        calls.push_back("second");
        return e.key == OIS::KC_B;
    });
    keys.connect([&calls](const OIS::KeyEvent&) {
        calls.push_back("third");
        return false;
    });

    EXPECT_TRUE(keys(keyEvent(OIS::KC_B)));
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));

    calls.clear();
    EXPECT_FALSE(keys(keyEvent(OIS::KC_A)));
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(InputEventCombiner, SlotsConnectedAtTheFrontRunBeforeEarlierOnesAtTheBack)
{
    MouseButtonSignal buttons;
    std::vector<std::string> calls;
    buttons.connect([&calls](const OIS::MouseEvent&, OIS::MouseButtonID) {
        calls.push_back("back");
        return false;
    });
    buttons.connect(
        [&calls](const OIS::MouseEvent&, OIS::MouseButtonID id) {
            calls.push_back("front");
            return id == OIS::MB_Right;
        },
        boost::signals2::at_front);

    OIS::MouseState state;
    EXPECT_FALSE(buttons(OIS::MouseEvent(nullptr, state), OIS::MB_Left));
    EXPECT_EQ(calls, (std::vector<std::string>{"front", "back"}));
    calls.clear();
    EXPECT_TRUE(buttons(OIS::MouseEvent(nullptr, state), OIS::MB_Right));
    EXPECT_EQ(calls, (std::vector<std::string>{"front"}));
}

TEST(InputEventCombiner, DisconnectedAndBlockedSlotsAreSkipped)
{
    MouseMotionSignal motion;
    int later = 0;
    boost::signals2::connection consumer = motion.connect([](const OIS::MouseEvent&) { return true; });
    motion.connect([&later](const OIS::MouseEvent&) {
        ++later;
        return false;
    });
    OIS::MouseState state;

    {
        boost::signals2::shared_connection_block block(consumer);
        EXPECT_FALSE(motion(OIS::MouseEvent(nullptr, state)));
        EXPECT_EQ(later, 1);
    }
    EXPECT_TRUE(motion(OIS::MouseEvent(nullptr, state)));
    EXPECT_EQ(later, 1);
    consumer.disconnect();
    EXPECT_FALSE(motion(OIS::MouseEvent(nullptr, state)));
    EXPECT_EQ(later, 2);
}

} // namespace
} // namespace tolva::test
