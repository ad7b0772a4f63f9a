// Orderings and equalities of controls, modifiers and commands. The registry's containers are
// keyed by these orderings and its lists searched with these equalities, and scripts see both.
#include "ControlTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tolva {
namespace test {
namespace {

struct ControlPair {
    const char* what;
    Control a;
    Control b;
    bool aBeforeB;
    bool bBeforeA;
    bool equal;
};

class ControlRelations : public ::testing::TestWithParam<ControlPair> { };

TEST_P(ControlRelations, OrderAndEqualityAsTabled)
{
    const ControlPair& p = GetParam();
    EXPECT_EQ(p.aBeforeB, p.a < p.b) << p.what;
    EXPECT_EQ(p.bBeforeA, p.b < p.a) << p.what;
    EXPECT_EQ(p.equal, p.a == p.b) << p.what;
    EXPECT_EQ(p.equal, p.b == p.a) << p.what;
}

INSTANTIATE_TEST_SUITE_P(Controls, ControlRelations,
    ::testing::Values(
        ControlPair{"same-sign amounts of one axis are one direction", axisX(5), axisX(120), false, false, true},
        ControlPair{"negative axis orders before zero", axisX(-3), axisX(0), true, false, false},
        ControlPair{"zero axis orders before positive", axisX(0), axisX(7), true, false, false},
        ControlPair{"negative axis orders before positive", axisX(-3), axisX(7), true, false, false},
        ControlPair{"negative amounts of one axis are equal", axisZ(-120), axisZ(-1), false, false, true},
        ControlPair{"zero axis equals not even itself", axisY(0), axisY(0), false, false, false},
        ControlPair{"different axes with the same value", axisX(4), axisY(4), true, false, false},
        ControlPair{"any key before any button", key(200), button(0), true, false, false},
        ControlPair{"any button before any axis", button(7), axisX(-500), true, false, false},
        ControlPair{"keys by code", key(17), key(30), true, false, false},
        ControlPair{"the same key", key(42), key(42), false, false, true},
        ControlPair{"key and button of one value", key(1), button(1), true, false, false},
        ControlPair{"none type first", Control(Control::TYPE_NONE, 99), key(0), true, false, false}),
    CaseName());

TEST(ControlContainers, AxisAmountsCollapseIntoOneDirection)
{
    std::set<Control> controls{axisX(5), axisX(120), axisX(-1), axisX(-40), axisX(0), key(3)};
    EXPECT_EQ(4u, controls.size());

    std::map<Control, int> bindings;
    bindings[axisX(-1)] = 1;
    EXPECT_EQ(1u, bindings.count(axisX(-300)));
    EXPECT_EQ(0u, bindings.count(axisX(300)));
}

class ModifierTest : public ::testing::Test {
protected:
    LogCapture mLog;
};

TEST_F(ModifierTest, AddingAndRemovingControlsTracksTheType)
{
    Modifier modifier;
    EXPECT_EQ(Modifier::TYPE_NONE, modifier.getType());

    modifier.addControl(key(42));
    modifier.addControl(key(42));
    EXPECT_EQ(Modifier::TYPE_CUSTOM, modifier.getType());
    EXPECT_EQ(1u, modifier.getControls().size());

    modifier.removeControl(key(29));
    EXPECT_EQ(1u, modifier.getControls().size());
    modifier.removeControl(key(42));
    EXPECT_EQ(Modifier::TYPE_NONE, modifier.getType());
    EXPECT_TRUE(modifier == Modifier());
    EXPECT_FALSE(modifier != Modifier());
    EXPECT_TRUE(mLog.getLines().empty());
}

TEST_F(ModifierTest, AxisControlIsRefusedWithWarning)
{
    Modifier modifier;
    modifier.addControl(axisX(3));
    modifier.addControl(axisZ(-120));
    EXPECT_EQ(Modifier::TYPE_NONE, modifier.getType());
    EXPECT_TRUE(modifier.getControls().empty());
    EXPECT_EQ(2u, mLog.count("Warning: Attempt to add mouse-axis control as a modifier control."));
    EXPECT_TRUE(mLog.allAtNormalLevel());

    Modifier shift = modifierOf({key(42)});
    shift.addControl(axisY(1));
    EXPECT_TRUE(shift == modifierOf({key(42)}));
}

TEST_F(ModifierTest, OrderingPutsBaseFirstThenComparesSetsLexicographically)
{
    const Control a = key(10), b = key(20), c = key(30);
    const Modifier none;
    const Modifier onlyA = modifierOf({a});
    const Modifier ab = modifierOf({a, b});
    const Modifier ac = modifierOf({a, c});
    const Modifier onlyB = modifierOf({b});

    EXPECT_TRUE(none < onlyA);
    EXPECT_FALSE(onlyA < none);
    EXPECT_FALSE(none < Modifier());
    EXPECT_TRUE(onlyA < ab) << "a proper prefix orders first";
    EXPECT_FALSE(ab < onlyA);
    EXPECT_TRUE(ac < onlyB) << "{a, c} before {b} because a is before b";
    EXPECT_TRUE(ab < ac);
    EXPECT_FALSE(ab < modifierOf({b, a}));

    std::map<Modifier, int> layers{{onlyB, 1}, {ac, 2}, {none, 3}, {ab, 4}};
    std::vector<int> order;
    for (const auto& layer : layers) {
        order.push_back(layer.second);
    }
    EXPECT_EQ((std::vector<int>{3, 4, 2, 1}), order);
}

TEST_F(ModifierTest, EqualityComparesControlsPairwise)
{
    EXPECT_TRUE(modifierOf({key(1), button(2)}) == modifierOf({button(2), key(1)}));
    EXPECT_FALSE(modifierOf({key(1)}) == modifierOf({key(1), key(2)}));
    EXPECT_FALSE(modifierOf({key(1)}) == modifierOf({button(1)}));
    EXPECT_TRUE(modifierOf({key(1)}) != Modifier());
}

TEST(CommandTest, IdentityIsNameAndCategory)
{
    GameControlRegistry::CommandHandler* noHandler = nullptr;
    RecordingHandler handler;
    Command forward("Forward", "Movement", false, noHandler);
    Command other("Forward", "Movement", true, &handler);
    other.enabled = false;
    EXPECT_TRUE(forward == other);
    EXPECT_FALSE(forward < other);
    EXPECT_FALSE(other < forward);

    EXPECT_FALSE(Command("Forward", "Movement") == Command("Forward", "Camera"));
    EXPECT_FALSE(Command("forward", "Movement") == Command("Forward", "Movement"));
    EXPECT_TRUE(Command("Zoom", "Camera") < Command("Backward", "Movement"));
    EXPECT_TRUE(Command("Backward", "Movement") < Command("Forward", "Movement"));
    EXPECT_FALSE(Command("Backward", "Movement") < Command("Zoom", "Camera"));
}

} // namespace
} // namespace test
} // namespace tolva
