// The TolvaEngine classes that scripts implement or receive here: listener wrappers, the
// connection handle with its blocking, the log as an output stream, the exception translators,
// and the value converters, each driven from Python in a bare interpreter.
#include "EmbeddedPython.h"

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/ScheduleListener.h"
#include "core/Time.h"
#include "input/GameControlRegistry.h"
#include "input/Input.h"
#include "physics/CollisionListener.h"
#include "physics/Contact.h"
#include "physics/PhysicalBase.h"
#include "scripting/support/InterfaceHolderBindings.h"
#include "scripting/support/PythonSignalDecorator.h"
#include "scripting/support/SignalBindings.h"
#include "scripting/support/ScriptOwnedHandles.h"
#include "scripting/TolvaEngineModule.h"
#include "scripting/support/ValueConverters.h"

#include <gtest/gtest.h>

#include <boost/python.hpp>
#include <boost/signals2.hpp>

#include <list>
#include <set>
#include <string>
#include <vector>

namespace bp = boost::python;

namespace {

typedef tolva::GameControlRegistry Registry;
typedef tolva::PythonSignalDecorator<boost::signals2::signal<void()>> OccupancySignal;
typedef tolva::PythonSignalDecorator<boost::signals2::signal<void(tolva::PhysicalBase*, tolva::Contact*)>>
    CollisionSignal;

// A listener interface of the kind that engine objects keep in their holders.
class Listener {
public:
    virtual ~Listener() = default;
    virtual void notify(int value) = 0;
};

class ListenerWrap : public Listener, public bp::wrapper<Listener>, private boost::noncopyable {
public:
    void notify(int value) override { get_override("notify")(value); }
};

typedef tolva::InterfaceHolder<Listener> Holder;

class HolderWatcher : public Holder::Listener {
public:
    void connected(::Listener*) override { events.push_back("connected"); }
    void disconnected(::Listener*) override { events.push_back("disconnected"); }
    std::vector<std::string> events;
};

std::unique_ptr<Holder> gHolder;
tolva::InterfaceHolder<tolva::CollisionListener> gCollisionHolder;

tolva::InterfaceHolder<tolva::CollisionListener>& getCollisionHolder()
{
    return gCollisionHolder;
}

Holder& getHolder()
{
    return *gHolder;
}

void notifyAll(int value)
{
    gHolder->forEach([value](Listener* listener) { listener->notify(value); });
}

tolva::test::EmbeddedPython* gPython = nullptr;
tolva::Time* gTime = nullptr;
tolva::Log* gLog = nullptr;
OccupancySignal* gSignal = nullptr;
std::map<Registry::Control, Registry::Command*> gBindings;

tolva::Time& getTime()
{
    return *gTime;
}

tolva::Log& getLog()
{
    return *gLog;
}

OccupancySignal& getSignal()
{
    return *gSignal;
}

void emitSignal()
{
    (*gSignal)();
}

void raiseEngineException(const std::string& kind)
{
    if (kind == "invalid") {
        throw tolva::InvalidArgumentException("bad argument");
    }
    if (kind == "notfound") {
        throw tolva::NotFoundException("no such thing");
    }
    if (kind == "fileaccess") {
        throw tolva::FileAccessException("cannot open");
    }
    throw tolva::ScriptingException("script failed");
}

std::pair<unsigned int, unsigned int> getResolution()
{
    return {1024, 768};
}

std::vector<std::string> getModes()
{
    return {"640 x 480", "1024 x 768"};
}

std::vector<unsigned int> getLevels(bool withLargest)
{
    if (!withLargest) {
        return {};
    }
    return {0, 2, 4294967295u};
}

std::set<Registry::Control> getControls()
{
    // Added out of order: the tuple comes out in ascending control order.
    std::set<Registry::Control> controls;
    controls.insert(Registry::Control(Registry::Control::TYPE_MOUSE_BUTTON, 1));
    controls.insert(Registry::Control(Registry::Control::TYPE_KEY, 30));
    controls.insert(Registry::Control(Registry::Control::TYPE_KEY, 2));
    return controls;
}

std::list<Registry::Command> getCommands()
{
    return {Registry::Command("Forward", "Movement"), Registry::Command("Jump", "Movement", true)};
}

std::map<Registry::Control, Registry::Command*> getBindings()
{
    return gBindings;
}

std::map<Registry::Control, Registry::Command*> getNoBindings()
{
    return {};
}

// Stand-ins for the registry's value classes, which the control registry's bindings define.
BOOST_PYTHON_MODULE(bindingtest)
{
    bp::def("getTime", &getTime, bp::return_value_policy<bp::reference_existing_object>());
    bp::def("getLog", &getLog, bp::return_value_policy<bp::reference_existing_object>());
    tolva::class_PythonSignal<OccupancySignal>("OccupancyEvent", false);
    tolva::class_PythonSignal<CollisionSignal>("CollisionEvent", true);
    bp::def("getSignal", &getSignal, bp::return_value_policy<bp::reference_existing_object>());
    bp::def("emitSignal", &emitSignal);
    bp::def("raiseEngineException", &raiseEngineException);

    bp::class_<ListenerWrap, boost::noncopyable>("Listener").def("notify", bp::pure_virtual(&Listener::notify));
    tolva::class_InterfaceHolder<Listener>("Listener");
    bp::def("getHolder", &getHolder, bp::return_value_policy<bp::reference_existing_object>());
    bp::def("notifyAll", &notifyAll);
    bp::def("getCollisionHolder", &getCollisionHolder, bp::return_value_policy<bp::reference_existing_object>());
    // Stand-in for the contact class of the physics bindings.
    bp::class_<tolva::Contact>("Contact", bp::no_init)
        .def_readonly("penetrationDepth", &tolva::Contact::penetrationDepth);

    bp::class_<Registry::Control>("Control", bp::no_init)
        .def("getType", &Registry::Control::getType)
        .def("getValue", &Registry::Control::getValue);
    bp::class_<Registry::Command>("Command", bp::no_init)
        .def_readonly("name", &Registry::Command::name)
        .def_readonly("repeat", &Registry::Command::repeat);
    bp::enum_<Registry::Control::Type>("ControlType")
        .value("TYPE_KEY", Registry::Control::TYPE_KEY)
        .value("TYPE_MOUSE_BUTTON", Registry::Control::TYPE_MOUSE_BUTTON);

    tolva::registerPairToTuple<unsigned int, unsigned int>();
    tolva::registerContainerToTuple<std::vector<std::string>>();
    tolva::registerContainerToTuple<std::vector<unsigned int>>();
    tolva::registerContainerToTuple<std::set<Registry::Control>>();
    tolva::registerContainerToTuple<std::list<Registry::Command>>();
    tolva::registerMapToDictionary<Registry::Control, Registry::Command*>();
    bp::def("getResolution", &getResolution);
    bp::def("getModes", &getModes);
    bp::def("getLevels", &getLevels);
    bp::def("getControls", &getControls);
    bp::def("getCommands", &getCommands);
    bp::def("getBindings", &getBindings);
    bp::def("getNoBindings", &getNoBindings);
}

std::string evalString(const std::string& expression)
{
    return bp::extract<std::string>(gPython->eval(expression))();
}

bool evalBool(const std::string& expression)
{
    return bp::extract<bool>(gPython->eval(expression))();
}

class EngineModuleBindingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gTime = &mTime;
        gLog = &mLog;
        gPython->run("import sys\n"
                     "from TolvaEngine import *\n"
                     "from bindingtest import *\n");
    }

    void TearDown() override
    {
        // The schedule keeps plain pointers; the script objects go with the test's globals.
        mTime.clearSchedule();
        PyErr_Clear();
        gPython->run("sys.stdout = sys.__stdout__\n"
                     "sys.stderr = sys.__stderr__\n");
        gTime = nullptr;
        gLog = nullptr;
    }

    /// Runs statements that must fail; returns the Python error's "Type: text".
    std::string runFailing(const std::string& statements)
    {
        try {
            bp::exec(statements.c_str(), gPython->globals(), gPython->globals());
        } catch (const bp::error_already_set&) {
            return tolva::test::EmbeddedPython::takeErrorText();
        }
        return "no error";
    }

    // A time module whose clock the test moves.
    class TestTime : public tolva::Time {
    public:
        std::uint64_t now = 0;

    protected:
        std::uint64_t readClock() override { return now; }
    };

    TestTime mTime;
    tolva::Log mLog{"bindings-test.log", false, true, 4096};
};

TEST_F(EngineModuleBindingsTest, AScheduledScriptListenerIsCalledOnceByTime)
{
    gPython->run("calls = []\n"
                 "class Reminder(ScheduleListener):\n"
                 "    def scheduled(self):\n"
                 "        calls.append('due')\n"
                 "reminder = Reminder()\n"
                 "getTime().addSchedule(0.5, reminder)\n"
                 "pending = getTime().isScheduled(reminder)\n");
    EXPECT_TRUE(evalBool("pending"));
    mTime.frame(0.0f);
    mTime.now = 400;
    mTime.frame(0.0f);
    EXPECT_EQ("[]", evalString("repr(calls)"));
    mTime.now = 600;
    mTime.frame(0.0f);
    mTime.now = 900;
    mTime.frame(0.0f);
    EXPECT_EQ("['due']", evalString("repr(calls)"));
    EXPECT_FALSE(evalBool("getTime().isScheduled(reminder)"));
}

TEST_F(EngineModuleBindingsTest, AScheduleListenerWithoutScheduledRaisesTypeErrorOutOfTime)
{
    gPython->run("class Forgetful(ScheduleListener):\n"
                 "    pass\n"
                 "forgetful = Forgetful()\n"
                 "getTime().addSchedule(0.0, forgetful)\n");
    mTime.now = 10;
    EXPECT_THROW(mTime.frame(0.0f), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
}

TEST_F(EngineModuleBindingsTest, TheInterfaceMethodItselfIsPureVirtual)
{
    EXPECT_EQ("RuntimeError: Pure virtual function called", runFailing("ScheduleListener().scheduled()\n"));
    EXPECT_EQ("RuntimeError: Pure virtual function called",
        runFailing("GameControlRegistry_CommandHandler().handleCommand(1)\n"));
    gPython->run("class Quiet(ScheduleListener):\n"
                 "    pass\n");
    EXPECT_EQ("RuntimeError: Pure virtual function called", runFailing("Quiet().scheduled()\n"));
}

TEST_F(EngineModuleBindingsTest, NoneWhereAListenerIsNeededRaisesValueError)
{
    EXPECT_EQ("ValueError: Time.addSchedule needs a ScheduleListener, not None.",
        runFailing("getTime().addSchedule(1.0, None)\n"));
    EXPECT_FALSE(evalBool("getTime().isScheduled(None)"));
}

TEST_F(EngineModuleBindingsTest, AListenerWhoseInitSkipsTheBaseIsRefused)
{
    gPython->run("class Careless(ScheduleListener):\n"
                 "    def __init__(self):\n"
                 "        pass\n"
                 "    def scheduled(self):\n"
                 "        pass\n");
    std::string error = runFailing("getTime().addSchedule(1.0, Careless())\n");
    EXPECT_EQ(0u, error.find("ArgumentError: Python argument types")) << error;
}

TEST_F(EngineModuleBindingsTest, AScriptCommandHandlerReceivesTheValueAsInt)
{
    gPython->run("received = []\n"
                 "class Mover(GameControlRegistry_CommandHandler):\n"
                 "    def handleCommand(self, value):\n"
                 "        received.append((type(value).__name__, value))\n"
                 "mover = Mover()\n"
                 "class Lazy(GameControlRegistry_CommandHandler):\n"
                 "    pass\n"
                 "lazy = Lazy()\n");
    Registry::CommandHandler* mover = bp::extract<Registry::CommandHandler*>(gPython->eval("mover"));
    Registry::Command forward("Forward", "Movement", true, mover);
    forward.handler->handleCommand(17);
    forward.handler->handleCommand(1);
    EXPECT_EQ("[('int', 17), ('int', 1)]", evalString("repr(received)"));

    Registry::CommandHandler* lazy = bp::extract<Registry::CommandHandler*>(gPython->eval("lazy"));
    EXPECT_THROW(lazy->handleCommand(1), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());

    gPython->run("class Broken(GameControlRegistry_CommandHandler):\n"
                 "    def handleCommand(self, value):\n"
                 "        raise KeyError(value)\n"
                 "broken = Broken()\n");
    Registry::CommandHandler* broken = bp::extract<Registry::CommandHandler*>(gPython->eval("broken"));
    EXPECT_THROW(broken->handleCommand(3), bp::error_already_set);
    EXPECT_EQ("KeyError: 3", tolva::test::EmbeddedPython::takeErrorText());
}

TEST_F(EngineModuleBindingsTest, ConnectionsBlockAndUnblockTheirSlot)
{
    OccupancySignal signal;
    gSignal = &signal;
    gPython->run("hits = []\n"
                 "connection = getSignal().connect(lambda: hits.append(1))\n"
                 "other = getSignal().connect(lambda: hits.append(2))\n"
                 "connection.block(True)\n"
                 "blockedNow = connection.blocked()\n"
                 "emitSignal()\n"
                 "connection.block(True)\n"
                 "connection.unblock()\n"
                 "emitSignal()\n"
                 "connection.block(True)\n"
                 "connection.block(False)\n"
                 "emitSignal()\n"
                 "connection.disconnect()\n"
                 "emitSignal()\n");
    EXPECT_TRUE(evalBool("blockedNow"));
    EXPECT_EQ("[2, 1, 2, 1, 2, 2]", evalString("repr(hits)"));
    EXPECT_FALSE(evalBool("connection.connected()"));
    EXPECT_TRUE(evalBool("other.connected()"));
    std::string error = runFailing("other.block()\n");
    EXPECT_EQ(0u, error.find("ArgumentError: Python argument types")) << error;
    gSignal = nullptr;
}

TEST_F(EngineModuleBindingsTest, ABlockEndsWithItsSlot)
{
    auto signal = std::make_unique<OccupancySignal>();
    gSignal = signal.get();
    gPython->run("first = getSignal().connect(lambda: None)\n"
                 "first.block(True)\n");
    signal.reset();
    OccupancySignal replacement;
    gSignal = &replacement;
    gPython->run("hits = []\n"
                 "second = getSignal().connect(lambda: hits.append('second'))\n"
                 "first.unblock()\n"
                 "emitSignal()\n");
    EXPECT_FALSE(evalBool("first.connected()"));
    EXPECT_FALSE(evalBool("second.blocked()"));
    EXPECT_EQ("['second']", evalString("repr(hits)"));
    gSignal = nullptr;
}

TEST_F(EngineModuleBindingsTest, ConnectingNoneToASignalRaisesValueError)
{
    OccupancySignal signal;
    gSignal = &signal;
    EXPECT_EQ("ValueError: A signal needs a callable to connect, not None.", runFailing("getSignal().connect(None)\n"));
    EXPECT_EQ(0u, signal.num_slots());
    gSignal = nullptr;
}

TEST_F(EngineModuleBindingsTest, TheEngineKeySignalReachesScriptsOnlyWhenNoEarlierSlotConsumed)
{
    // No module here registers a class for the input library's key event: a script slot that is
    // reached fails in the argument conversion with TypeError.
    tolva::KeySignal keys;
    bool consoleConsumes = true;
    keys.connect([&consoleConsumes](const OIS::KeyEvent&) { return consoleConsumes; }, boost::signals2::at_front);
    gPython->run("keyHits = []\n");
    keys.connect(gPython->eval("lambda event: keyHits.append(event)"));
    const OIS::KeyEvent event(nullptr, OIS::KC_GRAVE, 0);
    EXPECT_TRUE(keys(event));
    EXPECT_EQ("[]", evalString("repr(keyHits)"));
    consoleConsumes = false;
    EXPECT_THROW(keys(event), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
}

TEST_F(EngineModuleBindingsTest, OnlyCollisionSignalsCanBeMadeByScripts)
{
    gPython->run("own = CollisionEvent()\n"
                 "ownConnection = own.connect(lambda partner, contact: None)\n");
    EXPECT_TRUE(evalBool("ownConnection.connected()"));
    EXPECT_EQ("RuntimeError: This class cannot be instantiated from Python", runFailing("OccupancyEvent()\n"));
    gPython->run("del own\n");
    EXPECT_FALSE(evalBool("ownConnection.connected()"));
}

TEST_F(EngineModuleBindingsTest, AnEmptyConnectionIsNotConnectedAndSwapsHandles)
{
    OccupancySignal signal;
    gSignal = &signal;
    gPython->run("empty = Connection()\n"
                 "live = getSignal().connect(lambda: None)\n"
                 "emptyBefore = empty.connected()\n"
                 "empty.swap(live)\n");
    EXPECT_FALSE(evalBool("emptyBefore"));
    EXPECT_TRUE(evalBool("empty.connected()"));
    EXPECT_FALSE(evalBool("live.connected()"));
    gPython->run("empty.disconnect()\n"
                 "empty.disconnect()\n");
    EXPECT_EQ(0u, signal.num_slots());
    gSignal = nullptr;
}

TEST_F(EngineModuleBindingsTest, TheLogTakesEveryWriteAsItsOwnMessage)
{
    std::vector<std::string> messages;
    mLog.eventNewOutput().connect([&messages](const std::string& text) { messages.push_back(text); });
    gPython->run("sys.stdout = getLog()\n"
                 "sys.stderr = getLog()\n"
                 "print('hello')\n"
                 "print('partial', end='')\n"
                 "print('flushed', flush=True)\n"
                 "sys.stderr.write('two\\nlines\\n')\n"
                 "sys.stdout.flush()\n");
    // print writes its end text even when it is empty: every write is one message.
    EXPECT_EQ((std::vector<std::string>{"hello", "\n", "partial", "", "flushed", "\n", "two\nlines\n"}), messages);
    EXPECT_EQ("hello\npartialflushed\ntwo\nlines\n", mLog.getOutput());
    EXPECT_EQ("RuntimeError: This class cannot be instantiated from Python", runFailing("Log()\n"));
    EXPECT_EQ("RuntimeError: This class cannot be instantiated from Python", runFailing("Time()\n"));
}

TEST_F(EngineModuleBindingsTest, EngineExceptionsReachScriptsAsPythonExceptions)
{
    EXPECT_EQ("ValueError: bad argument", runFailing("raiseEngineException('invalid')\n"));
    EXPECT_EQ("KeyError: 'no such thing'", runFailing("raiseEngineException('notfound')\n"));
    EXPECT_EQ("OSError: cannot open", runFailing("raiseEngineException('fileaccess')\n"));
    EXPECT_EQ("RuntimeError: script failed", runFailing("raiseEngineException('scripting')\n"));
}

TEST_F(EngineModuleBindingsTest, PairsAndSequencesBecomeTuples)
{
    EXPECT_EQ("(1024, 768)", evalString("repr(getResolution())"));
    EXPECT_EQ("('640 x 480', '1024 x 768')", evalString("repr(getModes())"));
    EXPECT_EQ("()", evalString("repr(getLevels(False))"));
    EXPECT_EQ("(0, 2, 4294967295)", evalString("repr(getLevels(True))"));
    EXPECT_TRUE(evalBool("type(getLevels(True)[2]) is int"));
    EXPECT_EQ(
        "[(1, 2), (1, 30), (2, 1)]", evalString("repr([(int(c.getType()), c.getValue()) for c in getControls()])"));
    EXPECT_EQ("[('Forward', False), ('Jump', True)]", evalString("repr([(c.name, c.repeat) for c in getCommands()])"));
}

TEST_F(EngineModuleBindingsTest, BindingMapsBecomeDictsOfCopies)
{
    Registry::Command jump("Jump", "Movement");
    gBindings.clear();
    gBindings[Registry::Control(Registry::Control::TYPE_KEY, 57)] = &jump;
    gBindings[Registry::Control(Registry::Control::TYPE_KEY, 1)] = nullptr;
    EXPECT_EQ("{}", evalString("repr(getNoBindings())"));
    EXPECT_EQ("[(1, None), (57, 'Jump')]",
        evalString("repr(sorted((c.getValue(), None if cmd is None else cmd.name) "
                   "for c, cmd in getBindings().items()))"));
    jump.name = "Renamed";
    gPython->run("bindings = getBindings()\n"
                 "names = [cmd.name for cmd in bindings.values() if cmd is not None]\n");
    jump.name = "Changed later";
    EXPECT_EQ("['Renamed']", evalString("repr(names)"));
    EXPECT_EQ("['Renamed']", evalString("repr([cmd.name for cmd in bindings.values() if cmd])"));
    gBindings.clear();
}

TEST_F(EngineModuleBindingsTest, ScriptListenersJoinAndLeaveAHolderThroughTheirHandles)
{
    gHolder = std::make_unique<Holder>();
    HolderWatcher watcher;
    gHolder->setListener(&watcher);
    gPython->run("heard = []\n"
                 "class Ear(Listener):\n"
                 "    def __init__(self, name):\n"
                 "        Listener.__init__(self)\n"
                 "        self.name = name\n"
                 "    def notify(self, value):\n"
                 "        heard.append((self.name, value))\n"
                 "left, right = Ear('left'), Ear('right')\n"
                 "holder = getHolder()\n"
                 "leftHandle = holder.connect(left)\n"
                 "holder.connect(right)\n" // the handle is dropped: right stays connected
                 "notifyAll(1)\n"
                 "holder.disconnect(leftHandle)\n"
                 "notifyAll(2)\n"
                 "leftHandle.disconnect()\n");
    EXPECT_EQ("[('left', 1), ('right', 1), ('right', 2)]", evalString("repr(heard)"));
    EXPECT_FALSE(evalBool("leftHandle.isConnected()"));
    EXPECT_EQ((std::vector<std::string>{"connected", "connected", "disconnected"}), watcher.events);
    EXPECT_EQ(1u, gHolder->getSize());

    gPython->run("nobody = holder.connect(None)\n");
    EXPECT_FALSE(evalBool("nobody.isConnected()"));
    gPython->run("nobody.disconnect()\n");
    EXPECT_EQ(1u, gHolder->getSize());
    EXPECT_EQ(3u, watcher.events.size());

    gPython->run("rightHandle = holder.connect(right)\n");
    gHolder->setListener(nullptr);
    gHolder.reset();
    EXPECT_FALSE(evalBool("rightHandle.isConnected()"));
    gPython->run("rightHandle.disconnect()\n"
                 "del holder, left, right, leftHandle, rightHandle, nobody\n");
}

TEST_F(EngineModuleBindingsTest, AHolderListenerMethodThatIsMissingRaisesTypeError)
{
    gHolder = std::make_unique<Holder>();
    gPython->run("class Deaf(Listener):\n"
                 "    pass\n"
                 "deaf = Deaf()\n"
                 "handle = getHolder().connect(deaf)\n");
    EXPECT_THROW(notifyAll(1), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
    gPython->run("handle.disconnect()\n");
    gHolder.reset();
}

TEST_F(EngineModuleBindingsTest, AScriptCollisionListenerReceivesPartnerAndContactByReference)
{
    gPython->run("collisions = []\n"
                 "class Bump(CollisionListener):\n"
                 "    def collision(self, partner, contact):\n"
                 "        collisions.append((partner, round(contact.penetrationDepth, 2)))\n"
                 "bump = Bump()\n"
                 "bumpHandle = getCollisionHolder().connect(bump)\n"
                 "class Numb(CollisionListener):\n"
                 "    pass\n"
                 "numb = Numb()\n");
    tolva::Contact contact;
    contact.penetrationDepth = 0.25f;
    gCollisionHolder.forEach(
        [&contact](tolva::CollisionListener* listener) { listener->collision(nullptr, &contact); });
    EXPECT_EQ("[(None, 0.25)]", evalString("repr(collisions)"));

    tolva::CollisionListener* numb = bp::extract<tolva::CollisionListener*>(gPython->eval("numb"));
    EXPECT_THROW(numb->collision(nullptr, &contact), bp::error_already_set);
    EXPECT_EQ("TypeError", tolva::test::EmbeddedPython::takeErrorName());
    EXPECT_EQ("RuntimeError: Pure virtual function called", runFailing("numb.collision(None, None)\n"));
    gPython->run("bumpHandle.disconnect()\n");
    EXPECT_TRUE(gCollisionHolder.isEmpty());
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        if (PyImport_AppendInittab("bindingtest", &PyInit_bindingtest) == -1) {
            return 1;
        }
        tolva::test::EmbeddedPython python("TolvaEngine", &PyInit_TolvaEngine);
        gPython = &python;
        result = RUN_ALL_TESTS();
        gPython = nullptr;
    }
    tolva::ScriptOwnedHandles::releaseAll();
    return result;
}
