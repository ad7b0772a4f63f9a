// The registry's management rules: commands, modifier layers and bindings, with the exact
// exception and warning texts of every refused operation.
#include "ControlTestSupport.h"

#include "core/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace tolva {
namespace test {
namespace {

const Control kShift = key(OIS::KC_LSHIFT);
const Control kCtrl = key(OIS::KC_LCONTROL);
const Control kAlt = key(OIS::KC_LMENU);
const Control kW = key(OIS::KC_W);
const Control kS = key(OIS::KC_S);

class RegistryRules : public ::testing::Test {
protected:
    RegistryRules()
        : mRegistry("controls.cfg")
    {
        mRegistry.addCommand(mForward);
        mRegistry.addCommand(mJump);
    }

    std::string modifierSummary() const
    {
        std::string text;
        for (const Modifier& modifier : mRegistry.getModifiers()) {
            text += "{";
            for (const Control& control : modifier.getControls()) {
                text += std::to_string(control.getValue()) + " ";
            }
            text += "}";
        }
        return text;
    }

    LogCapture mLog;
    GameControlRegistry mRegistry;
    Command mForward{"Forward", "Movement", true};
    Command mJump{"Jump", "Movement"};
};

// --- commands --------------------------------------------------------------------------------

TEST_F(RegistryRules, DuplicateCommandKeepsTheFirstRegistration)
{
    RecordingHandler first, second;
    mRegistry.setHandler(mForward, &first);
    mRegistry.addCommand(Command("Forward", "Movement", false, &second));

    EXPECT_EQ(1u, mLog.count("Warning: Attempt to duplicately register command Forward."));
    EXPECT_TRUE(mLog.allAtNormalLevel());
    ASSERT_EQ(2u, mRegistry.getCommands().size());
    const Command& registered = mRegistry.getCommands().front();
    EXPECT_EQ(&first, registered.handler);
    EXPECT_TRUE(registered.repeat);
}

TEST_F(RegistryRules, SameNameInAnotherCategoryIsAnotherCommand)
{
    mRegistry.addCommand(Command("Forward", "Camera"));
    EXPECT_TRUE(mLog.getLines().empty());
    ASSERT_EQ(3u, mRegistry.getCommands().size());
    EXPECT_EQ("Camera", mRegistry.getCommands().back().category);
}

TEST_F(RegistryRules, RemovingAnUnregisteredCommandOnlyWarns)
{
    mRegistry.bind(Modifier(), kW, mForward);
    mRegistry.removeCommand(Command("Jump", "Camera"));
    EXPECT_EQ(1u, mLog.count("Warning: Attempt to remove non-registered command Jump."));
    EXPECT_EQ(2u, mRegistry.getCommands().size());
    EXPECT_EQ(1u, mRegistry.getBindings(Modifier()).size());
}

TEST_F(RegistryRules, RemovingACommandRemovesItsBindingsInEveryLayer)
{
    const Modifier shift = modifierOf({kShift});
    mRegistry.addModifier(shift);
    mRegistry.bind(Modifier(), kW, mForward);
    mRegistry.bind(shift, kW, mForward);
    mRegistry.bind(shift, kS, mJump);

    mRegistry.removeCommand(Command("Forward", "Movement"));
    EXPECT_FALSE(mRegistry.isCommandPresent(mForward));
    EXPECT_TRUE(mRegistry.getBindings(Modifier()).empty());
    ASSERT_EQ(1u, mRegistry.getBindings(shift).size());
    EXPECT_EQ("Jump", mRegistry.getBindings(shift).begin()->second->name);
    EXPECT_TRUE(mLog.getLines().empty());
}

TEST_F(RegistryRules, EnabledFlagOfUnregisteredCommandThrows)
{
    const Command unknown("Fly", "Movement");
    try {
        mRegistry.isCommandEnabled(unknown);
        FAIL() << "isCommandEnabled accepted an unregistered command";
    } catch (const InvalidArgumentException& e) {
        EXPECT_STREQ("The command supplied does not exist.", e.what());
    }
    try {
        mRegistry.setCommandEnabled(unknown, false);
        FAIL() << "setCommandEnabled accepted an unregistered command";
    } catch (const InvalidArgumentException& e) {
        EXPECT_STREQ("The command supplied does not exist.", e.what());
    }

    mRegistry.setCommandEnabled(Command("Jump", "Movement"), false);
    EXPECT_FALSE(mRegistry.isCommandEnabled(mJump));
    EXPECT_TRUE(mRegistry.isCommandEnabled(mForward));
}

TEST_F(RegistryRules, HandlerForUnregisteredCommandOnlyWarns)
{
    RecordingHandler handler;
    mRegistry.setHandler(Command("Fly", "Movement"), &handler);
    EXPECT_EQ(1u, mLog.count("Warning: Attempt to set handler for non-registered command."));
    for (const Command& command : mRegistry.getCommands()) {
        EXPECT_EQ(nullptr, command.handler);
    }
}

// --- modifier layers -------------------------------------------------------------------------

TEST_F(RegistryRules, FreshRegistryHoldsOnlyTheBaseLayer)
{
    const std::list<Modifier> modifiers = mRegistry.getModifiers();
    ASSERT_EQ(1u, modifiers.size());
    EXPECT_EQ(Modifier::TYPE_NONE, modifiers.front().getType());
    EXPECT_TRUE(mRegistry.getCurrentModifier() == Modifier());
}

struct AddModifierCase {
    const char* what;
    std::vector<Modifier> existing;
    std::function<void(GameControlRegistry&, const Command&)> bindings;
    Modifier added;
    const char* error; // null when the layer is accepted
};

class AddModifierRules : public RegistryRules, public ::testing::WithParamInterface<AddModifierCase> { };

TEST_P(AddModifierRules, AcceptsOrThrowsAsTabled)
{
    const AddModifierCase& c = GetParam();
    for (const Modifier& modifier : c.existing) {
        mRegistry.addModifier(modifier);
    }
    if (c.bindings) {
        c.bindings(mRegistry, mJump);
    }
    const std::string before = modifierSummary();
    if (!c.error) {
        EXPECT_NO_THROW(mRegistry.addModifier(c.added)) << c.what;
        EXPECT_EQ(c.existing.size() + 2, mRegistry.getModifiers().size()) << c.what;
        EXPECT_TRUE(mRegistry.getBindings(c.added).empty());
        return;
    }
    try {
        mRegistry.addModifier(c.added);
        ADD_FAILURE() << c.what << ": accepted";
    } catch (const InvalidArgumentException& e) {
        EXPECT_STREQ(c.error, e.what()) << c.what;
    }
    EXPECT_EQ(before, modifierSummary()) << c.what << ": the registry changed";
}

const char* const kExists = "The modifier supplied already exists.";
const char* const kSameLength = "The modifier supplied shares controls with another modifier of the same length.";
const char* const kActive = "The modifier supplied maps to commands that have active bindings.";

INSTANTIATE_TEST_SUITE_P(Table, AddModifierRules,
    ::testing::Values(AddModifierCase{"the base layer", {}, nullptr, Modifier(), kExists},
        AddModifierCase{
            "an existing layer", {modifierOf({kShift, kCtrl})}, nullptr, modifierOf({kCtrl, kShift}), kExists},
        AddModifierCase{"equal length sharing a control", {modifierOf({kShift, kCtrl})}, nullptr,
            modifierOf({kShift, kAlt}), kSameLength},
        AddModifierCase{"a larger layer sharing a button", {modifierOf({button(1)})}, nullptr,
            modifierOf({button(1), kAlt}), nullptr},
        AddModifierCase{
            "disjoint layers of equal length", {modifierOf({kShift})}, nullptr, modifierOf({kCtrl}), nullptr},
        AddModifierCase{
            "smaller inside a larger", {modifierOf({kShift, kCtrl})}, nullptr, modifierOf({kShift}), nullptr},
        AddModifierCase{
            "larger around a smaller", {modifierOf({kShift})}, nullptr, modifierOf({kShift, kCtrl}), nullptr},
        AddModifierCase{"another key bound in the base layer", {modifierOf({kShift, kCtrl})},
            [](GameControlRegistry& r, const Command& k) { r.bind(Modifier(), kW, k); }, modifierOf({kAlt}), nullptr},
        AddModifierCase{"its own control bound in the base layer", {modifierOf({kCtrl})},
            [](GameControlRegistry& r, const Command& k) { r.bind(Modifier(), kAlt, k); }, modifierOf({kAlt}), kActive},
        AddModifierCase{"a new control bound in a smaller related layer", {modifierOf({kShift})},
            [](GameControlRegistry& r, const Command& k) { r.bind(modifierOf({kShift}), kCtrl, k); },
            modifierOf({kShift, kCtrl}), kActive},
        AddModifierCase{"a new control bound in an unrelated layer", {modifierOf({kAlt})},
            [](GameControlRegistry& r, const Command& k) { r.bind(modifierOf({kAlt}), kCtrl, k); },
            modifierOf({kShift, kCtrl}), nullptr}),
    CaseName());

TEST_F(RegistryRules, RemovingModifiers)
{
    try {
        mRegistry.removeModifier(Modifier());
        FAIL() << "the base layer was removed";
    } catch (const InvalidArgumentException& e) {
        EXPECT_STREQ("The 'none'-type modifier may not be removed.", e.what());
    }

    mRegistry.removeModifier(modifierOf({kShift}));
    EXPECT_EQ(1u, mLog.count("Warning: Attempt to remove non-existent modifier."));

    mRegistry.addModifier(modifierOf({kShift}));
    mRegistry.bind(modifierOf({kShift}), kW, mJump);
    mRegistry.removeModifier(modifierOf({kShift}));
    EXPECT_EQ(1u, mRegistry.getModifiers().size());
    mRegistry.addModifier(modifierOf({kShift}));
    EXPECT_TRUE(mRegistry.getBindings(modifierOf({kShift})).empty()) << "bindings outlived their layer";
}

TEST_F(RegistryRules, BindingsOfAMissingLayerAreNotFound)
{
    try {
        mRegistry.getBindings(modifierOf({kShift}));
        FAIL() << "bindings of a missing layer";
    } catch (const NotFoundException& e) {
        EXPECT_STREQ("Warning: Attempt to get bindings for non-existent modifier.", e.what());
    }
}

// --- bindings --------------------------------------------------------------------------------

struct BindCase {
    const char* what;
    std::vector<Modifier> layers;
    Modifier target;
    Control control;
    bool accepted;
};

class BindConflicts : public RegistryRules, public ::testing::WithParamInterface<BindCase> { };

TEST_P(BindConflicts, ControlsThatSelectLayersCannotBeBound)
{
    const BindCase& c = GetParam();
    for (const Modifier& layer : c.layers) {
        mRegistry.addModifier(layer);
    }
    if (c.accepted) {
        mRegistry.bind(c.target, c.control, mJump);
        EXPECT_EQ(1u, mRegistry.getBindings(c.target).count(c.control)) << c.what;
        return;
    }
    // Refused even for a command that is not registered: the conflict is checked first.
    for (const Command& command : {mJump, Command("Fly", "Movement")}) {
        try {
            mRegistry.bind(c.target, c.control, command);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const InvalidArgumentException& e) {
            EXPECT_STREQ("The control supplied maps to an active modifier configuration.", e.what()) << c.what;
        }
    }
    EXPECT_TRUE(mRegistry.getBindings(c.target).empty()) << c.what;
    EXPECT_TRUE(mLog.getLines().empty()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, BindConflicts,
    ::testing::Values(
        BindCase{"base layer, control of a modifier", {modifierOf({kShift, kCtrl})}, Modifier(), kCtrl, false},
        BindCase{"base layer, button of a modifier", {modifierOf({button(2)})}, Modifier(), button(2), false},
        BindCase{"a layer's own control", {modifierOf({kShift})}, modifierOf({kShift}), kShift, false},
        BindCase{"control of a larger layer containing it", {modifierOf({kShift}), modifierOf({kShift, kCtrl})},
            modifierOf({kShift}), kCtrl, false},
        BindCase{"control of an unrelated layer", {modifierOf({kShift}), modifierOf({kCtrl})}, modifierOf({kShift}),
            kCtrl, true},
        BindCase{"a plain key in a three-key layer", {modifierOf({kShift}), modifierOf({kShift, kCtrl, kAlt})},
            modifierOf({kCtrl, kShift, kAlt}), kW, true},
        BindCase{"axis control in the base layer", {modifierOf({kShift})}, Modifier(), axisX(-1), true}),
    CaseName());

TEST_F(RegistryRules, BindingToAnUnknownLayerWarnsAndChangesNothing)
{
    mRegistry.bind(modifierOf({kShift}), kW, mJump);
    mRegistry.bind(modifierOf({kShift}), kW, Command("Fly", "Movement"));
    EXPECT_EQ(2u, mLog.count("Warning: Attempt to bind control with an unknown modifier."));
    EXPECT_EQ(2u, mLog.getLines().size()) << "an unknown layer is reported before an unknown command";
    EXPECT_EQ(1u, mRegistry.getModifiers().size());
}

TEST_F(RegistryRules, BindingAnUnregisteredCommandWarns)
{
    mRegistry.bind(Modifier(), kW, Command("Fly", "Movement"));
    EXPECT_EQ(1u, mLog.count("Warning: Attempt to bind controls to non-registered command."));
    EXPECT_TRUE(mRegistry.getBindings(Modifier()).empty());
}

TEST_F(RegistryRules, BindingMovesTheCommandAndReplacesTheControl)
{
    mRegistry.bind(Modifier(), kW, mForward);
    mRegistry.bind(Modifier(), kS, mForward);
    const GameControlRegistry::Layer& base = mRegistry.getBindings(Modifier());
    ASSERT_EQ(1u, base.size());
    EXPECT_EQ(kS, base.begin()->first);
    EXPECT_EQ("Forward", base.begin()->second->name);
    EXPECT_EQ(&mRegistry.getCommands().front(), base.begin()->second) << "bindings point at the registered copy";

    mRegistry.bind(Modifier(), kS, mJump);
    ASSERT_EQ(1u, base.size());
    EXPECT_EQ("Jump", base.at(kS)->name);
    EXPECT_EQ(nullptr, mRegistry.getBinding(mForward));
    ASSERT_NE(nullptr, mRegistry.getBinding(mJump));
    EXPECT_EQ(kS, mRegistry.getBinding(mJump)->first);
}

TEST_F(RegistryRules, UnbindingIsSilentAndReachesEveryLayer)
{
    const Modifier shift = modifierOf({kShift});
    mRegistry.addModifier(shift);
    mRegistry.bind(Modifier(), kW, mForward);
    mRegistry.bind(shift, kW, mJump);
    mRegistry.bind(shift, kS, mForward);

    mRegistry.unbind(modifierOf({kCtrl}), kW);
    mRegistry.unbind(modifierOf({kCtrl}), mJump);
    mRegistry.unbind(Modifier(), kS);
    mRegistry.unbind(Command("Fly", "Movement"));
    EXPECT_EQ(1u, mRegistry.getBindings(Modifier()).size());
    EXPECT_EQ(2u, mRegistry.getBindings(shift).size());

    mRegistry.unbind(kW);
    EXPECT_TRUE(mRegistry.getBindings(Modifier()).empty());
    EXPECT_EQ(1u, mRegistry.getBindings(shift).size());

    mRegistry.unbind(mForward);
    EXPECT_TRUE(mRegistry.getBindings(shift).empty());
    EXPECT_TRUE(mLog.getLines().empty());
}

TEST_F(RegistryRules, ModifierControlsAreRecognisedInAnyLayer)
{
    mRegistry.addModifier(modifierOf({kShift, button(1)}));
    EXPECT_TRUE(mRegistry.isModifierControl(kShift));
    EXPECT_TRUE(mRegistry.isModifierControl(button(1)));
    EXPECT_FALSE(mRegistry.isModifierControl(kCtrl));
    EXPECT_FALSE(mRegistry.isModifierControl(button(2)));
}

} // namespace
} // namespace test
} // namespace tolva
