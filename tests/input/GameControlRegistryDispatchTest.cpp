// Turning key, button and motion events into command calls: consumption, repeats, layer
// selection by held modifier controls, the two behaviour flags, and the safety rules for held
// controls whose bindings change or whose releases never arrive.
#include "ControlTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace tolva {
namespace test {
namespace {

const int kShift = OIS::KC_LSHIFT;
const int kCtrl = OIS::KC_LCONTROL;
const int kW = OIS::KC_W;
const int kS = OIS::KC_S;
const int kE = OIS::KC_E;
const int kQ = OIS::KC_Q;

class Dispatch : public ::testing::Test {
protected:
    Dispatch()
        : mRegistry("controls.cfg")
    {
        mRegistry.addCommand(Command("Forward", "Movement", true, &mForward));
        mRegistry.addCommand(Command("Jump", "Movement", false, &mJump));
        mRegistry.addCommand(Command("Turn", "Camera", false, &mTurn));
        mRegistry.addCommand(Command("Fire", "Action", true, &mFire));
    }

    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            mRegistry.frame(0.016f);
        }
    }

    Modifier shift() const { return modifierOf({key(kShift)}); }
    Modifier shiftCtrl() const { return modifierOf({key(kShift), key(kCtrl)}); }

    LogCapture mLog;
    GameControlRegistry mRegistry;
    RecordingHandler mForward, mJump, mTurn, mFire;
    const Command forward{"Forward", "Movement"};
    const Command jump{"Jump", "Movement"};
    const Command turn{"Turn", "Camera"};
    const Command fire{"Fire", "Action"};
};

// --- base layer ------------------------------------------------------------------------------

TEST_F(Dispatch, NonRepeatingCommandIsCalledOnceWithTheKeyCode)
{
    mRegistry.bind(Modifier(), key(kS), jump);
    EXPECT_TRUE(pressKey(mRegistry, kS));
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls);
    frames(3);
    EXPECT_TRUE(releaseKey(mRegistry, kS));
    frames(1);
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls);
    EXPECT_TRUE(mLog.getLines().empty());
}

TEST_F(Dispatch, CommandMadeWithNameAndCategoryOnlyIsCalledOnceDownWhenGivenAHandler)
{
    const Command wave("Wave", "Action");
    mRegistry.addCommand(wave);
    mRegistry.bind(Modifier(), key(kQ), wave);
    EXPECT_TRUE(pressKey(mRegistry, kQ)) << "bound, though nobody handles it yet";
    frames(1);
    releaseKey(mRegistry, kQ);

    RecordingHandler handler;
    mRegistry.setHandler(wave, &handler);
    pressKey(mRegistry, kQ);
    frames(3);
    EXPECT_EQ(std::vector<int>{kQ}, handler.calls) << "enabled and not repeating";
    releaseKey(mRegistry, kQ);
}

TEST_F(Dispatch, RepeatingCommandRunsEveryFrameFromTheSameFrameUntilTheKeyGoesUp)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    EXPECT_TRUE(pressKey(mRegistry, kW));
    EXPECT_TRUE(mForward.calls.empty()) << "a repeat is not called on the key-down";

    frames(1); // the game frame of the engine frame whose input delivered the key-down
    EXPECT_EQ(std::vector<int>{1}, mForward.calls);
    frames(2);
    EXPECT_EQ((std::vector<int>{1, 1, 1}), mForward.calls);

    EXPECT_TRUE(releaseKey(mRegistry, kW));
    frames(3);
    EXPECT_EQ(3u, mForward.calls.size());
    EXPECT_EQ(0u, mRegistry.getActiveRepeatCount());
}

TEST_F(Dispatch, SecondDownOfAHeldKeyIsWarnedAndDispatchedAgain)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(Modifier(), key(kS), jump);
    pressKey(mRegistry, kW);
    pressKey(mRegistry, kW);
    pressKey(mRegistry, kS);
    pressKey(mRegistry, kS);
    EXPECT_EQ(2u, mLog.count("Warning: Duplicate control-down detected. Duplication avoided."));
    EXPECT_EQ((std::vector<int>{kS, kS}), mJump.calls);

    frames(1);
    EXPECT_EQ((std::vector<int>{1, 1}), mForward.calls) << "two entries, two calls per frame";

    releaseKey(mRegistry, kW);
    frames(1);
    EXPECT_EQ(2u, mForward.calls.size()) << "one up removes every entry";
    releaseKey(mRegistry, kS);
    EXPECT_EQ(0u, mLog.count("Warning: Control-up event received without control-down a priori."));
}

struct ConsumptionCase {
    const char* what;
    bool bound;
    bool handler;
    bool enabled;
    bool repeat;
    bool consumed;
    int calls; // after the down and one frame
};

class Consumption : public Dispatch, public ::testing::WithParamInterface<ConsumptionCase> { };

TEST_P(Consumption, BoundControlsAreConsumedWhateverTheirHandler)
{
    const ConsumptionCase& c = GetParam();
    RecordingHandler handler;
    const Command command("Probe", "Test", c.repeat, c.handler ? &handler : nullptr);
    mRegistry.addCommand(command);
    mRegistry.setCommandEnabled(command, c.enabled);
    if (c.bound) {
        mRegistry.bind(Modifier(), key(kE), command);
    }
    EXPECT_EQ(c.consumed, pressKey(mRegistry, kE)) << c.what;
    frames(1);
    EXPECT_EQ(c.calls, static_cast<int>(handler.calls.size())) << c.what;
    EXPECT_EQ(c.consumed, releaseKey(mRegistry, kE)) << c.what;
    EXPECT_TRUE(mLog.getLines().empty()) << c.what << ": " << (mLog.getLines().empty() ? "" : mLog.getLines()[0]);
}

INSTANTIATE_TEST_SUITE_P(Table, Consumption,
    ::testing::Values(ConsumptionCase{"bound with handler", true, true, true, false, true, 1},
        ConsumptionCase{"bound without handler", true, false, true, false, true, 0},
        ConsumptionCase{"bound and disabled", true, true, false, false, true, 0},
        ConsumptionCase{"repeating without handler", true, false, true, true, true, 0},
        ConsumptionCase{"repeating and disabled", true, true, false, true, true, 0},
        ConsumptionCase{"repeating with handler", true, true, true, true, true, 1},
        ConsumptionCase{"not bound", false, true, true, false, false, 0}),
    CaseName());

TEST_F(Dispatch, ReleaseWithoutPressIsWarnedAndNotConsumedWhenUnbound)
{
    EXPECT_FALSE(releaseKey(mRegistry, kQ));
    EXPECT_EQ(1u, mLog.count("Warning: Control-up event received without control-down a priori."));
    EXPECT_TRUE(mLog.allAtNormalLevel());

    mRegistry.bind(Modifier(), key(kS), jump);
    EXPECT_TRUE(releaseKey(mRegistry, kS));
    EXPECT_EQ(2u, mLog.count("Warning: Control-up event received without control-down a priori."));
}

TEST_F(Dispatch, DisablingAHeldRepeatPausesItWithoutEndingIt)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    pressKey(mRegistry, kW);
    mRegistry.setCommandEnabled(forward, false);
    frames(2);
    EXPECT_TRUE(mForward.calls.empty());
    mRegistry.setCommandEnabled(forward, true);
    frames(1);
    EXPECT_EQ(1u, mForward.calls.size());
}

// --- mouse -----------------------------------------------------------------------------------

TEST_F(Dispatch, MouseMotionDispatchesEveryMovingAxisByDirection)
{
    mRegistry.bind(Modifier(), axisX(-1), turn);
    mRegistry.bind(Modifier(), axisZ(120), jump);

    EXPECT_TRUE(moveMouse(mRegistry, -7, 0, 3));
    EXPECT_EQ(std::vector<int>{7}, mTurn.calls) << "the magnitude of the motion";
    EXPECT_EQ(std::vector<int>{3}, mJump.calls);

    EXPECT_FALSE(moveMouse(mRegistry, 5, 9, 0)) << "nothing is bound to positive X or to Y";
    EXPECT_FALSE(moveMouse(mRegistry, 0, 0, 0));
    EXPECT_FALSE(moveMouse(mRegistry, 4, 0, -120)) << "the wheel's other direction is not bound";
    EXPECT_TRUE(moveMouse(mRegistry, 4, 0, 240)) << "one consumed axis consumes the event";
    EXPECT_EQ((std::vector<int>{3, 240}), mJump.calls);
    EXPECT_TRUE(mLog.getLines().empty()) << "axis controls are never tracked as held";
}

TEST_F(Dispatch, LargestLeftwardMotionArrivesAsTheLargestAmount)
{
    mRegistry.bind(Modifier(), axisX(-1), turn);
    EXPECT_TRUE(moveMouse(mRegistry, std::numeric_limits<int>::min(), 0, 0));
    EXPECT_EQ(std::vector<int>{std::numeric_limits<int>::max()}, mTurn.calls);
}

TEST_F(Dispatch, RepeatingCommandOnAnAxisIsCalledOnceWithTheAmount)
{
    mRegistry.bind(Modifier(), axisY(1), forward);
    EXPECT_TRUE(moveMouse(mRegistry, 0, 12, 0));
    EXPECT_EQ(std::vector<int>{12}, mForward.calls);
    frames(2);
    EXPECT_EQ(1u, mForward.calls.size()) << "axis controls never go up, so they never repeat";
}

TEST_F(Dispatch, ZeroAxisBindingIsStoredButNeverFires)
{
    mRegistry.bind(Modifier(), axisX(0), turn);
    EXPECT_EQ(1u, mRegistry.getBindings(Modifier()).size());
    EXPECT_FALSE(moveMouse(mRegistry, 3, 0, 0));
    EXPECT_FALSE(moveMouse(mRegistry, -3, 0, 0));
    EXPECT_TRUE(mTurn.calls.empty());
}

TEST_F(Dispatch, MouseButtonsCallWithTheirIdAndRepeatWhileHeld)
{
    mRegistry.bind(Modifier(), button(OIS::MB_Right), jump);
    mRegistry.bind(Modifier(), button(OIS::MB_Left), fire);
    EXPECT_TRUE(pressButton(mRegistry, OIS::MB_Right));
    EXPECT_EQ(std::vector<int>{OIS::MB_Right}, mJump.calls);
    EXPECT_TRUE(pressButton(mRegistry, OIS::MB_Left));
    frames(2);
    EXPECT_TRUE(releaseButton(mRegistry, OIS::MB_Left));
    frames(1);
    EXPECT_EQ((std::vector<int>{1, 1}), mFire.calls);
    EXPECT_FALSE(pressButton(mRegistry, OIS::MB_Middle));
    EXPECT_TRUE(mLog.getLines().empty()) << "buttons are not key-tracked";
}

// --- layer selection -------------------------------------------------------------------------

struct Step {
    enum Kind { PRESS_KEY, RELEASE_KEY, PRESS_BUTTON, RELEASE_BUTTON } kind;
    int code;
    bool consumed;
    Modifier expected;
};

struct LayerCase {
    const char* what;
    std::vector<Modifier> layers;
    std::vector<Step> steps;
};

class LayerSelection : public Dispatch, public ::testing::WithParamInterface<LayerCase> { };

TEST_P(LayerSelection, HeldModifierControlsSelectTheLargestFullyHeldLayer)
{
    const LayerCase& c = GetParam();
    for (const Modifier& layer : c.layers) {
        mRegistry.addModifier(layer);
    }
    int index = 0;
    for (const Step& step : c.steps) {
        bool consumed = false;
        switch (step.kind) {
        case Step::PRESS_KEY:
            consumed = pressKey(mRegistry, step.code);
            break;
        case Step::RELEASE_KEY:
            consumed = releaseKey(mRegistry, step.code);
            break;
        case Step::PRESS_BUTTON:
            consumed = pressButton(mRegistry, step.code);
            break;
        case Step::RELEASE_BUTTON:
            consumed = releaseButton(mRegistry, step.code);
            break;
        }
        EXPECT_EQ(step.consumed, consumed) << c.what << ", step " << index;
        EXPECT_TRUE(step.expected == mRegistry.getCurrentModifier()) << c.what << ", step " << index;
        ++index;
    }
    EXPECT_TRUE(mLog.getLines().empty()) << c.what;
}

const Modifier kBase;
const Modifier kShiftLayer = modifierOf({key(kShift)});
const Modifier kShiftCtrlLayer = modifierOf({key(kShift), key(kCtrl)});
const Modifier kCtrlLayer = modifierOf({key(kCtrl)});
const Modifier kButtonCtrlLayer = modifierOf({button(OIS::MB_Right), key(kCtrl)});

INSTANTIATE_TEST_SUITE_P(Table, LayerSelection,
    ::testing::Values(
        LayerCase{"shift, ctrl, shift up, shift down", {kShiftLayer, kShiftCtrlLayer},
            {{Step::PRESS_KEY, kShift, true, kShiftLayer}, {Step::PRESS_KEY, kCtrl, true, kShiftCtrlLayer},
                {Step::RELEASE_KEY, kShift, true, kBase}, {Step::PRESS_KEY, kShift, true, kShiftCtrlLayer},
                {Step::RELEASE_KEY, kCtrl, true, kShiftLayer}, {Step::RELEASE_KEY, kShift, true, kBase}}},
        LayerCase{"ctrl first, then shift", {kShiftLayer, kShiftCtrlLayer},
            {{Step::PRESS_KEY, kCtrl, true, kBase}, {Step::PRESS_KEY, kShift, true, kShiftCtrlLayer},
                {Step::RELEASE_KEY, kCtrl, true, kShiftLayer}}},
        LayerCase{"a button and a key in either order", {kButtonCtrlLayer},
            {{Step::PRESS_BUTTON, OIS::MB_Right, true, kBase}, {Step::PRESS_KEY, kCtrl, true, kButtonCtrlLayer},
                {Step::RELEASE_BUTTON, OIS::MB_Right, true, kBase}, {Step::RELEASE_KEY, kCtrl, true, kBase},
                {Step::PRESS_KEY, kCtrl, true, kBase}, {Step::PRESS_BUTTON, OIS::MB_Right, true, kButtonCtrlLayer}}},
        LayerCase{"a control outside the candidates is a plain key", {kShiftLayer, kCtrlLayer},
            {{Step::PRESS_KEY, kShift, true, kShiftLayer}, {Step::PRESS_KEY, kCtrl, false, kShiftLayer},
                {Step::RELEASE_KEY, kCtrl, false, kShiftLayer}, {Step::RELEASE_KEY, kShift, true, kBase},
                {Step::PRESS_KEY, kCtrl, true, kCtrlLayer}}},
        LayerCase{"no custom layers", {},
            {{Step::PRESS_KEY, kShift, false, kBase}, {Step::RELEASE_KEY, kShift, false, kBase}}}),
    CaseName());

TEST_F(Dispatch, ModifierControlBoundInTheCurrentLayerIsAPlainControlThere)
{
    mRegistry.addModifier(modifierOf({key(kShift)}));
    mRegistry.addModifier(modifierOf({key(kCtrl)}));
    mRegistry.bind(modifierOf({key(kCtrl)}), key(kShift), jump);

    pressKey(mRegistry, kCtrl);
    ASSERT_TRUE(mRegistry.getCurrentModifier() == modifierOf({key(kCtrl)}));
    EXPECT_TRUE(pressKey(mRegistry, kShift));
    EXPECT_EQ(std::vector<int>{kShift}, mJump.calls);
    EXPECT_TRUE(mRegistry.getCurrentModifier() == modifierOf({key(kCtrl)}));
    EXPECT_TRUE(releaseKey(mRegistry, kShift));
}

TEST_F(Dispatch, EventsAreLookedUpInTheCurrentLayer)
{
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kS), jump);
    mRegistry.bind(shift(), key(kS), turn);

    pressKey(mRegistry, kShift);
    pressKey(mRegistry, kS);
    releaseKey(mRegistry, kS);
    releaseKey(mRegistry, kShift);
    pressKey(mRegistry, kS);
    EXPECT_EQ(std::vector<int>{kS}, mTurn.calls);
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls);
}

// --- behaviour flags across a change of layer -------------------------------------------------

TEST_F(Dispatch, LayerChangeStopsRepeatsUnlessMaintainedAndStillBoundToAHeldKey)
{
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(shift(), key(kW), forward);
    mRegistry.bind(Modifier(), button(OIS::MB_Left), fire);
    mRegistry.bind(shift(), button(OIS::MB_Left), fire);

    struct Case {
        bool maintained;
        std::size_t forwardCalls;
    };
    // The first case is a fresh registry's own setting.
    for (const Case& c : {Case{false, 0}, Case{true, 1}}) {
        if (c.maintained) {
            mRegistry.setRepeatCommandMaintained(true);
        }
        mForward.calls.clear();
        mFire.calls.clear();
        pressKey(mRegistry, kW);
        pressButton(mRegistry, OIS::MB_Left);
        mLog.clear();
        pressKey(mRegistry, kShift);
        frames(1);
        EXPECT_EQ(c.forwardCalls, mForward.calls.size()) << "maintained " << c.maintained;
        // Buttons are not held keys: a layer change always ends their repeats, and says so.
        EXPECT_TRUE(mFire.calls.empty()) << "maintained " << c.maintained;
        EXPECT_EQ(1u, mLog.count("Warning: Control command repeating without tracking of associated control."));
        releaseKey(mRegistry, kShift);
        releaseKey(mRegistry, kW);
        releaseButton(mRegistry, OIS::MB_Left);
    }
}

TEST_F(Dispatch, MaintainedRepeatStopsWhenTheNewLayerBindsItToAKeyNotHeld)
{
    mRegistry.setRepeatCommandMaintained(true);
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(shift(), key(kE), forward);
    pressKey(mRegistry, kW);
    pressKey(mRegistry, kShift);
    frames(1);
    EXPECT_TRUE(mForward.calls.empty());
}

TEST_F(Dispatch, LayerChangeDispatchesHeldKeysOnlyWhenAsked)
{
    mRegistry.addModifier(shift());
    mRegistry.bind(shift(), key(kS), jump);
    mRegistry.bind(shift(), key(kW), forward);
    pressKey(mRegistry, kS);
    pressKey(mRegistry, kW);

    pressKey(mRegistry, kShift);
    frames(1);
    EXPECT_TRUE(mJump.calls.empty());
    EXPECT_TRUE(mForward.calls.empty());
    releaseKey(mRegistry, kShift);

    mRegistry.setNewModifierCommandDispatched(true);
    pressKey(mRegistry, kShift);
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls) << "the held key's new command, without a new key-down";
    frames(1);
    EXPECT_EQ(std::vector<int>{1}, mForward.calls) << "a held key's repeating command is activated";
    EXPECT_EQ(1u, mRegistry.getActiveRepeatCount());

    releaseKey(mRegistry, kW);
    frames(1);
    EXPECT_EQ(1u, mForward.calls.size());
}

TEST_F(Dispatch, CandidateThatCompletesNoLayerStillRedispatchesHeldKeys)
{
    mRegistry.setNewModifierCommandDispatched(true);
    mRegistry.addModifier(shiftCtrl());
    mRegistry.bind(Modifier(), key(kS), jump);
    pressKey(mRegistry, kS);
    ASSERT_EQ(1u, mJump.calls.size());

    EXPECT_TRUE(pressKey(mRegistry, kShift));
    EXPECT_TRUE(mRegistry.getCurrentModifier() == Modifier());
    EXPECT_EQ((std::vector<int>{kS, kS}), mJump.calls);
}

TEST_F(Dispatch, RedispatchedRepeatIsNotAddedTwice)
{
    mRegistry.setNewModifierCommandDispatched(true);
    mRegistry.setRepeatCommandMaintained(true);
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(shift(), key(kW), forward);
    pressKey(mRegistry, kW);
    pressKey(mRegistry, kShift);
    EXPECT_EQ(1u, mRegistry.getActiveRepeatCount());
}

// --- repeats never outlive the binding or the key that drives them ----------------------

struct HeldChangeCase {
    const char* what;
    std::function<void(GameControlRegistry&)> change;
};

class ChangeWhileHeld : public Dispatch, public ::testing::WithParamInterface<HeldChangeCase> { };

TEST_P(ChangeWhileHeld, EndsTheRepeat)
{
    const HeldChangeCase& c = GetParam();
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    pressKey(mRegistry, kW);
    frames(1);
    ASSERT_EQ(1u, mForward.calls.size());

    c.change(mRegistry);
    frames(2);
    releaseKey(mRegistry, kW);
    frames(2);
    EXPECT_EQ(1u, mForward.calls.size()) << c.what;
    EXPECT_EQ(0u, mRegistry.getActiveRepeatCount()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, ChangeWhileHeld,
    ::testing::Values(
        HeldChangeCase{"unbind in the layer", [](GameControlRegistry& r) { r.unbind(Modifier(), key(kW)); }},
        HeldChangeCase{"unbind everywhere", [](GameControlRegistry& r) { r.unbind(key(kW)); }},
        HeldChangeCase{"unbind the command", [](GameControlRegistry& r) { r.unbind(Command("Forward", "Movement")); }},
        HeldChangeCase{"rebind to another command",
            [](GameControlRegistry& r) { r.bind(Modifier(), key(kW), Command("Jump", "Movement")); }},
        HeldChangeCase{"move the command to another key",
            [](GameControlRegistry& r) { r.bind(Modifier(), key(kE), Command("Forward", "Movement")); }},
        HeldChangeCase{
            "remove the command", [](GameControlRegistry& r) { r.removeCommand(Command("Forward", "Movement")); }}),
    CaseName());

TEST_F(Dispatch, BindingAHeldKeyToItsOwnCommandAgainKeepsTheRepeatUntilRelease)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    pressKey(mRegistry, kW);
    mRegistry.bind(Modifier(), key(kW), forward);
    frames(2);
    EXPECT_EQ(2u, mForward.calls.size());
    releaseKey(mRegistry, kW);
    frames(1);
    EXPECT_EQ(2u, mForward.calls.size());
}

TEST_F(Dispatch, ChangingAnotherLayerLeavesTheRepeatRunning)
{
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(shift(), key(kW), forward);
    pressKey(mRegistry, kW);
    mRegistry.unbind(shift(), key(kW));
    frames(1);
    EXPECT_EQ(1u, mForward.calls.size());
}

TEST_F(Dispatch, RemovingTheCurrentLayerFallsBackToTheLayerTheHeldControlsSelect)
{
    mRegistry.addModifier(shift());
    mRegistry.addModifier(shiftCtrl());
    mRegistry.bind(shiftCtrl(), key(kW), forward);
    mRegistry.bind(shift(), key(kS), jump);
    pressKey(mRegistry, kShift);
    pressKey(mRegistry, kCtrl);
    pressKey(mRegistry, kW);
    ASSERT_TRUE(mRegistry.getCurrentModifier() == shiftCtrl());

    mRegistry.removeModifier(shiftCtrl());
    EXPECT_TRUE(mRegistry.getCurrentModifier() == shift());
    frames(1);
    EXPECT_TRUE(mForward.calls.empty()) << "the repeat went with its layer";
    EXPECT_TRUE(pressKey(mRegistry, kS));
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls);
    releaseKey(mRegistry, kW);
    releaseKey(mRegistry, kCtrl);
    releaseKey(mRegistry, kShift);
    EXPECT_TRUE(mRegistry.getCurrentModifier() == Modifier());
}

// --- handlers that change the registry while it calls them ------------------------------

struct ReentrantCase {
    const char* what;
    // Runs inside Forward's first call; the registry also holds Fire active, after Forward.
    std::function<void(GameControlRegistry&)> change;
    std::size_t fireCallsInFirstFrame;
};

class ChangeFromHandler : public Dispatch, public ::testing::WithParamInterface<ReentrantCase> { };

TEST_P(ChangeFromHandler, WalkSurvivesAndSkipsWhatWasEnded)
{
    const ReentrantCase& c = GetParam();
    mRegistry.addModifier(shift());
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(Modifier(), key(kE), fire);
    pressKey(mRegistry, kW);
    pressKey(mRegistry, kE);
    bool done = false;
    mForward.action = [&](int) {
        if (!done) {
            done = true;
            c.change(mRegistry);
        }
    };
    frames(1);
    EXPECT_EQ(1u, mForward.calls.size()) << c.what;
    EXPECT_EQ(c.fireCallsInFirstFrame, mFire.calls.size()) << c.what;
    frames(1);
    releaseKey(mRegistry, kW);
    releaseKey(mRegistry, kE);
    frames(1);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangeFromHandler,
    ::testing::Values(ReentrantCase{"removes its own command",
                          [](GameControlRegistry& r) { r.removeCommand(Command("Forward", "Movement")); }, 1},
        ReentrantCase{
            "removes a later command", [](GameControlRegistry& r) { r.removeCommand(Command("Fire", "Action")); }, 0},
        ReentrantCase{"removes every command",
            [](GameControlRegistry& r) {
                const std::list<Command> commands = r.getCommands();
                for (const Command& command : commands) {
                    r.removeCommand(command);
                }
            },
            0},
        ReentrantCase{"unbinds a later repeat's key", [](GameControlRegistry& r) { r.unbind(key(kE)); }, 0},
        ReentrantCase{"adds and binds commands",
            [](GameControlRegistry& r) {
                for (int i = 0; i < 40; ++i) {
                    r.addCommand(Command("Extra" + std::to_string(i), "Test", true));
                }
                r.bind(Modifier(), key(kQ), Command("Extra0", "Test"));
            },
            1},
        ReentrantCase{"adds and removes layers",
            [](GameControlRegistry& r) {
                r.addModifier(modifierOf({key(kCtrl)}));
                r.removeModifier(modifierOf({key(kShift)}));
            },
            1},
        ReentrantCase{"disables a later command",
            [](GameControlRegistry& r) { r.setCommandEnabled(Command("Fire", "Action"), false); }, 0}),
    CaseName());

TEST_F(Dispatch, RepeatAddedByAHandlerStartsInTheNextFrame)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.bind(Modifier(), key(kE), fire);
    pressKey(mRegistry, kW);
    mForward.action = [&](int) {
        if (mForward.calls.size() == 1) {
            pressKey(mRegistry, kE);
        }
    };
    frames(1);
    EXPECT_TRUE(mFire.calls.empty());
    frames(1);
    EXPECT_EQ(1u, mFire.calls.size());
}

TEST_F(Dispatch, HandlerRemovingTheLayerDuringHeldKeyDispatchIsSafe)
{
    mRegistry.setNewModifierCommandDispatched(true);
    mRegistry.addModifier(shift());
    mRegistry.bind(shift(), key(kS), jump);
    mRegistry.bind(shift(), key(kE), turn);
    mRegistry.bind(Modifier(), key(kE), fire);
    pressKey(mRegistry, kS);
    pressKey(mRegistry, kE);
    mJump.action = [&](int) { mRegistry.removeModifier(modifierOf({key(kShift)})); };

    pressKey(mRegistry, kShift);
    EXPECT_EQ(std::vector<int>{kS}, mJump.calls);
    EXPECT_TRUE(mTurn.calls.empty()) << "the layer that bound E was gone before E's turn";
    EXPECT_TRUE(mRegistry.getCurrentModifier() == Modifier());
    frames(1);
    EXPECT_EQ(std::vector<int>{1}, mFire.calls) << "the fallback to the base layer dispatched E there";
}

// --- releases consumed before they reach the registry -----------------------------------

class FakeControlState : public GameControlRegistry::ControlStateSource {
public:
    bool isControlDown(const Control& control) const override { return mDown.count(control) != 0; }
    std::set<Control> mDown;
};

class ConsumedRelease : public Dispatch {
protected:
    ConsumedRelease() { mRegistry.setControlStateSource(&mState); }

    void press(int code)
    {
        mState.mDown.insert(key(code));
        pressKey(mRegistry, code);
    }

    FakeControlState mState;
};

TEST_F(ConsumedRelease, RepeatEndsInTheFirstFrameAfterTheKeyWentUp)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    press(kW);
    frames(2);
    mState.mDown.erase(key(kW)); // an earlier slot consumed the release
    frames(3);
    EXPECT_EQ(2u, mForward.calls.size());

    press(kW);
    EXPECT_EQ(0u, mLog.count("Warning: Duplicate control-down detected. Duplication avoided."))
        << "the key is no longer tracked as held";
    frames(1);
    EXPECT_EQ(3u, mForward.calls.size());
}

TEST_F(ConsumedRelease, ButtonRepeatEnds)
{
    mRegistry.bind(Modifier(), button(OIS::MB_Left), fire);
    mState.mDown.insert(button(OIS::MB_Left));
    pressButton(mRegistry, OIS::MB_Left);
    frames(1);
    mState.mDown.clear();
    frames(2);
    EXPECT_EQ(1u, mFire.calls.size());
}

TEST_F(ConsumedRelease, ModifierControlReleasesItsLayer)
{
    mRegistry.addModifier(shift());
    press(kShift);
    ASSERT_TRUE(mRegistry.getCurrentModifier() == shift());
    mState.mDown.clear();
    frames(1);
    EXPECT_TRUE(mRegistry.getCurrentModifier() == Modifier());
}

TEST_F(ConsumedRelease, KeysStillDownAreLeftAlone)
{
    mRegistry.bind(Modifier(), key(kW), forward);
    mRegistry.addModifier(shift());
    press(kShift);
    mRegistry.bind(shift(), key(kW), forward);
    press(kW);
    frames(3);
    EXPECT_EQ(3u, mForward.calls.size());
    EXPECT_TRUE(mRegistry.getCurrentModifier() == shift());
    EXPECT_TRUE(mLog.getLines().empty());
}

TEST_F(Dispatch, WithoutAStateSourceAConsumedReleaseIsNeverSeen)
{
    // Documents why the source exists: the registry alone cannot tell.
    mRegistry.bind(Modifier(), key(kW), forward);
    pressKey(mRegistry, kW);
    frames(3);
    EXPECT_EQ(3u, mForward.calls.size());
}

} // namespace
} // namespace test
} // namespace tolva
