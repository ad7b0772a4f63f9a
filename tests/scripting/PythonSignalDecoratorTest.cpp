// Script slots on engine signals: order behind the engine's own slots, the input combiner's stop,
// result conversion, errors leaving the emission, and the lifetime of the connected callables.
#include "EmbeddedPython.h"

#include "input/InputEventCombiner.h"
#include "scripting/support/SignalBindings.h"

#include <gtest/gtest.h>

#include <boost/python.hpp>
#include <boost/signals2.hpp>

#include <string>
#include <vector>

namespace bp = boost::python;
namespace sig = boost::signals2;

namespace {

struct FakeKeyEvent {
    int key = 0;
};

// A type that no module registers: scripts cannot receive it.
struct UnboundEvent {
    int value = 0;
};

struct FakePartner {
    virtual ~FakePartner() = default;
    int id = 0;
};

struct FakeContact {
    float depth = 0.0f;
};

enum FakeButton { BUTTON_LEFT = 0, BUTTON_RIGHT = 1 };

typedef tolva::PythonSignalDecorator<sig::signal<bool(const FakeKeyEvent&), tolva::InputEventCombiner>> KeySignal;
typedef tolva::PythonSignalDecorator<sig::signal<bool(const FakeKeyEvent&, FakeButton), tolva::InputEventCombiner>>
    ButtonSignal;
typedef tolva::PythonSignalDecorator<sig::signal<void(FakePartner*, FakeContact*)>> CollisionSignal;
typedef tolva::PythonSignalDecorator<sig::signal<void()>> OccupancySignal;
typedef tolva::PythonSignalDecorator<sig::signal<void(const UnboundEvent&)>> UnboundSignal;

std::vector<std::string> gCalls;
KeySignal* gKeySignal = nullptr;

void record(const std::string& name)
{
    gCalls.push_back(name);
}

KeySignal& keySignal()
{
    return *gKeySignal;
}

BOOST_PYTHON_MODULE(signaltest)
{
    bp::def("record", &record);
    bp::class_<FakeKeyEvent>("FakeKeyEvent").def_readwrite("key", &FakeKeyEvent::key);
    bp::class_<FakePartner, boost::noncopyable>("FakePartner").def_readwrite("id", &FakePartner::id);
    bp::class_<FakeContact>("FakeContact").def_readwrite("depth", &FakeContact::depth);
    bp::enum_<FakeButton>("FakeButton").value("BUTTON_LEFT", BUTTON_LEFT).value("BUTTON_RIGHT", BUTTON_RIGHT);
    bp::class_<sig::connection>("Connection").def("connected", &sig::connection::connected);
    bp::class_<KeySignal, boost::noncopyable>("KeyEvent", bp::no_init)
        .def("connect", static_cast<sig::connection (KeySignal::*)(bp::object)>(&KeySignal::connect));
    bp::def("keySignal", &keySignal, bp::return_value_policy<bp::reference_existing_object>());
}

tolva::test::EmbeddedPython* gPython = nullptr;

class PythonSignalDecoratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCalls.clear();
        gPython->run("from signaltest import *\n");
    }

    bp::object callable(const std::string& expression) { return gPython->eval(expression); }

    bool engineSlot(const std::string& name, bool result)
    {
        gCalls.push_back(name);
        return result;
    }
};

TEST_F(PythonSignalDecoratorTest, ScriptSlotsRunBehindTheEngineSlotsInConnectionOrder)
{
    KeySignal signal;
    signal.connect(callable("lambda e: record('script 1')"));
    signal.connect([this](const FakeKeyEvent&) { return engineSlot("engine back", false); });
    signal.connect(callable("lambda e: record('script 2')"));
    signal.connect([this](const FakeKeyEvent&) { return engineSlot("engine front", false); }, sig::at_front);

    FakeKeyEvent event;
    EXPECT_FALSE(signal(event));
    EXPECT_EQ((std::vector<std::string>{"engine front", "script 1", "engine back", "script 2"}), gCalls);
}

TEST_F(PythonSignalDecoratorTest, AnInputSlotConsumesTheEventOnlyWithATrueResult)
{
    gPython->run("def answer(result):\n"
                 "    def slot(event):\n"
                 "        record(repr(result))\n"
                 "        return result\n"
                 "    return slot\n");
    KeySignal signal;
    signal.connect(callable("answer(None)"));
    signal.connect(callable("answer(0)"));
    signal.connect(callable("answer(False)"));
    signal.connect(callable("answer(1)"));
    signal.connect(callable("answer(True)"));

    FakeKeyEvent event;
    EXPECT_TRUE(signal(event));
    EXPECT_EQ((std::vector<std::string>{"None", "0", "False", "1"}), gCalls);

    KeySignal consumed;
    consumed.connect(callable("answer(True)"));
    consumed.connect(callable("answer(5)"));
    gCalls.clear();
    EXPECT_TRUE(consumed(event));
    EXPECT_EQ(std::vector<std::string>{"True"}, gCalls);
}

TEST_F(PythonSignalDecoratorTest, AnEngineSlotThatConsumesTheEventKeepsItFromTheScripts)
{
    KeySignal signal;
    signal.connect([this](const FakeKeyEvent&) { return engineSlot("gui", true); });
    signal.connect(callable("lambda e: record('script')"));
    FakeKeyEvent event;
    EXPECT_TRUE(signal(event));
    EXPECT_EQ(std::vector<std::string>{"gui"}, gCalls);
}

TEST_F(PythonSignalDecoratorTest, ResultsThatAreNotBoolOrIntRaiseTypeErrorAndEndTheEmission)
{
    for (const char* result : {"'yes'", "1.0", "(1,)"}) {
        KeySignal signal;
        signal.connect(callable(std::string("lambda e: ") + result));
        signal.connect(callable("lambda e: record('later')"));
        FakeKeyEvent event;
        EXPECT_THROW(signal(event), bp::error_already_set) << result;
        EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName()) << result;
        EXPECT_TRUE(gCalls.empty()) << result;
    }
}

TEST_F(PythonSignalDecoratorTest, AScriptErrorLeavesTheEmissionWithTheErrorPending)
{
    gPython->run("def broken(event):\n"
                 "    raise ValueError('broken slot')\n");
    KeySignal signal;
    signal.connect(callable("broken"));
    signal.connect([this](const FakeKeyEvent&) { return engineSlot("after", false); });
    FakeKeyEvent event;
    EXPECT_THROW(signal(event), bp::error_already_set);
    EXPECT_EQ("ValueError: broken slot", tolva::test::EmbeddedPython::takeErrorText());
    EXPECT_TRUE(gCalls.empty());

    OccupancySignal occupancy;
    occupancy.connect(callable("lambda: 1 / 0"));
    EXPECT_THROW(occupancy(), bp::error_already_set);
    EXPECT_EQ("ZeroDivisionError", tolva::test::EmbeddedPython::takeErrorName());
}

TEST_F(PythonSignalDecoratorTest, ConnectingSomethingNotCallableFailsOnlyAtTheNextEmission)
{
    OccupancySignal signal;
    sig::connection connection = signal.connect(bp::object(5));
    EXPECT_TRUE(connection.connected());
    EXPECT_THROW(signal(), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
}

TEST_F(PythonSignalDecoratorTest, NoneIsRefusedAtConnection)
{
    OccupancySignal signal;
    EXPECT_THROW(signal.connect(bp::object()), tolva::InvalidArgumentException);
    EXPECT_EQ(0u, signal.num_slots());
}

TEST_F(PythonSignalDecoratorTest, SignalsWithoutResultIgnoreWhatTheScriptReturns)
{
    OccupancySignal signal;
    signal.connect(callable("lambda: record('first') or 'ignored'"));
    signal.connect(callable("lambda: record('second') or (1, 2)"));
    EXPECT_NO_THROW(signal());
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), gCalls);
}

TEST_F(PythonSignalDecoratorTest, PointersAreLentByReferenceAndANullPointerArrivesAsNone)
{
    gPython->run("seen = []\n"
                 "def collision(partner, contact):\n"
                 "    seen.append(partner is None)\n"
                 "    contact.depth = 2.5\n"
                 "    if partner is not None:\n"
                 "        partner.id = 7\n");
    CollisionSignal signal;
    signal.connect(callable("collision"));
    FakePartner partner;
    FakeContact contact;
    signal(nullptr, &contact);
    EXPECT_FLOAT_EQ(2.5f, contact.depth);
    signal(&partner, &contact);
    EXPECT_EQ(7, partner.id);
    EXPECT_EQ("[True, False]", bp::extract<std::string>(gPython->eval("repr(seen)"))());
}

TEST_F(PythonSignalDecoratorTest, EventRecordsArriveAsCopiesThatAScriptMayKeep)
{
    gPython->run("kept = []\n");
    KeySignal keys;
    keys.connect(callable("lambda e: kept.append(e) or e.key == 3"));
    // The engine reuses (and then frees) its record; each event the script kept stays as it was.
    FakeKeyEvent event;
    event.key = 3;
    EXPECT_TRUE(keys(event));
    event.key = 99;
    EXPECT_FALSE(keys(event));
    EXPECT_EQ("[3, 99]", bp::extract<std::string>(gPython->eval("repr([e.key for e in kept])"))());
    gPython->run("del kept\n");
}

TEST_F(PythonSignalDecoratorTest, EnumArgumentsArrivePassedByValue)
{
    ButtonSignal signal;
    signal.connect(callable("lambda e, b: record(repr(b == FakeButton.BUTTON_RIGHT)) or b == FakeButton.BUTTON_RIGHT"));
    FakeKeyEvent event;
    EXPECT_TRUE(signal(event, BUTTON_RIGHT));
    EXPECT_FALSE(signal(event, BUTTON_LEFT));
    EXPECT_EQ((std::vector<std::string>{"True", "False"}), gCalls);
}

TEST_F(PythonSignalDecoratorTest, AnArgumentTypeWithoutPythonClassRaisesTypeError)
{
    UnboundSignal signal;
    signal.connect(callable("lambda e: record('reached')"));
    UnboundEvent event;
    EXPECT_THROW(signal(event), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
    EXPECT_TRUE(gCalls.empty());
}

TEST_F(PythonSignalDecoratorTest, ASlotStaysUntilItsConnectionIsDisconnected)
{
    OccupancySignal signal;
    signal.connect(callable("lambda: record('kept')"));
    sig::connection connection = signal.connect(callable("lambda: record('dropped')"));
    signal();
    connection.disconnect();
    signal();
    EXPECT_EQ((std::vector<std::string>{"kept", "dropped", "kept"}), gCalls);
    EXPECT_FALSE(connection.connected());
}

TEST_F(PythonSignalDecoratorTest, TheSlotHoldsTheCallableUntilTheSignalGoes)
{
    gPython->run("import weakref\n"
                 "class Slot:\n"
                 "    def __call__(self):\n"
                 "        record('slot')\n"
                 "slot = Slot()\n"
                 "alive = weakref.ref(slot)\n");
    {
        OccupancySignal signal;
        signal.connect(gPython->eval("slot"));
        signal.connect(gPython->eval("slot"));
        gPython->run("del slot\n");
        EXPECT_TRUE(bp::extract<bool>(gPython->eval("alive() is not None"))());
        signal();
        EXPECT_EQ((std::vector<std::string>{"slot", "slot"}), gCalls);
    }
    EXPECT_TRUE(bp::extract<bool>(gPython->eval("alive() is None"))());

    gPython->run("slot = Slot()\n"
                 "alive = weakref.ref(slot)\n");
    OccupancySignal signal;
    signal.connect(gPython->eval("slot"));
    gPython->run("del slot\n");
    signal.disconnect_all_slots();
    EXPECT_TRUE(bp::extract<bool>(gPython->eval("alive() is None"))());
}

TEST_F(PythonSignalDecoratorTest, ScriptsConnectThroughTheBoundMember)
{
    KeySignal signal;
    gKeySignal = &signal;
    gPython->run("def onKey(event):\n"
                 "    record('key %d' % event.key)\n"
                 "    return True\n"
                 "connection = keySignal().connect(onKey)\n");
    FakeKeyEvent event;
    event.key = 42;
    EXPECT_TRUE(signal(event));
    EXPECT_EQ(std::vector<std::string>{"key 42"}, gCalls);
    EXPECT_TRUE(bp::extract<bool>(gPython->eval("connection.connected()"))());
    gKeySignal = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        tolva::test::EmbeddedPython python("signaltest", &PyInit_signaltest);
        gPython = &python;
        result = RUN_ALL_TESTS();
        gPython = nullptr;
    }
    return result;
}
