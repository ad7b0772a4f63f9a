#include "ScriptTestModule.h"
#include "ScriptTestGame.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/InterfaceHolder.h"
#include "core/Log.h"
#include "core/GameBase.h"
#include "input/GameControlRegistry.h"
#include "input/Input.h"
#include "physics/CollisionListener.h"
#include "physics/Contact.h"
#include "platform/AlSoundException.h"
#include "scene/BillboardEffect.h"
#include "scripting/support/InterfaceHolderBindings.h"
#include "scripting/support/SignalBindings.h"

#include <OISKeyboard.h>
#include <OISMouse.h>

#include <boost/python.hpp>
#include <boost/signals2.hpp>

#include <cstdlib>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bp = boost::python;

namespace tolva::test {

namespace {

typedef GameControlRegistry Registry;
typedef PythonSignalDecorator<boost::signals2::signal<void()>> TestSignal;
/// A kind of signal that only engine objects own.
typedef PythonSignalDecorator<boost::signals2::signal<void(int)>> FixedSignal;

Engine* gEngine = nullptr;
unsigned int gGeneration = 0;
bool gRestartRequested = false;

Engine& engine()
{
    if (!gEngine) {
        throw IllegalStateException("tolvatest: no engine is running.");
    }
    return *gEngine;
}

/// What the engine itself threw out of frames since it was last taken. The shipped game ends at
/// the first of these; a script's own exception, raised in its slot or listener, is not one.
std::vector<std::string> gFrameErrors;

template <typename Step>
auto recordingFrameErrors(Step step)
{
    try {
        return step();
    } catch (const bp::error_already_set&) {
        throw;
    } catch (const ScriptingException&) {
        throw;
    } catch (const std::exception& error) {
        gFrameErrors.emplace_back(error.what());
        throw;
    } catch (...) {
        gFrameErrors.emplace_back("an exception of no known type");
        throw;
    }
}

void frame(float seconds)
{
    recordingFrameErrors([seconds] { engine().frame(seconds); });
}

bp::list takeFrameErrorsForScript()
{
    bp::list errors;
    for (const std::string& error : takeFrameErrors()) {
        errors.append(error);
    }
    return errors;
}

std::string getLogTail()
{
    Log* log = engine().getLog();
    return log ? log->getOutput() : std::string();
}

unsigned int getEngineGeneration()
{
    return gGeneration;
}

/// Runs the main loop until something stops the engine.
/// @return the restart flag, which the runner also obeys once the script has ended
bool runMainLoop()
{
    gRestartRequested = recordingFrameErrors([] { return engine().run(); });
    return gRestartRequested;
}

GameControlRegistry* getControlRegistry()
{
    GameBase* game = engine().getGame();
    return game ? game->getControlRegistry() : nullptr;
}

Input& input()
{
    Input* input = engine().getInput();
    if (!input) {
        throw IllegalStateException("tolvatest: this engine has no input module (\"# engine: window\").");
    }
    return *input;
}

// Input events as the input library delivers them, through the input module's signals: the
// event records live only for the emission.
bool pressKey(OIS::KeyCode key, unsigned int text)
{
    return input().keyPressed(OIS::KeyEvent(nullptr, key, text));
}

bool releaseKey(OIS::KeyCode key)
{
    return input().keyReleased(OIS::KeyEvent(nullptr, key, 0));
}

bool moveMouse(int x, int y, int z)
{
    OIS::MouseState state;
    state.X.rel = x;
    state.Y.rel = y;
    state.Z.rel = z;
    return input().mouseMoved(OIS::MouseEvent(nullptr, state));
}

bool pressMouseButton(OIS::MouseButtonID button)
{
    OIS::MouseState state;
    state.buttons = 1 << button;
    return input().mousePressed(OIS::MouseEvent(nullptr, state), button);
}

/// Types X key names ("a", "shift+j") into the engine's window with xdotool, in the background:
/// the keys arrive through the window system during later frames.
void typeKeys(const std::string& keys)
{
    if (keys.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_+ ")
        != std::string::npos) {
        throw InvalidArgumentException("tolvatest.typeKeys: only X key names, '+' and blanks.");
    }
    const std::string command = "(sleep 0.2; xdotool key --delay 60 " + keys + ") &";
    if (std::system(command.c_str()) != 0) {
        throw IllegalStateException("tolvatest.typeKeys: xdotool could not be started.");
    }
}

void emitSignal(TestSignal& signal)
{
    signal();
}

/// Billboards in an effect's set, which scripts cannot count themselves.
int countBillboards(const BillboardEffect& effect)
{
    return effect.getBillboardSet()->getNumBillboards();
}

std::size_t countSlots(const TestSignal& signal)
{
    return signal.num_slots();
}

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

typedef InterfaceHolder<Listener> ListenerHolder;

// Records what the holder's owner hears: "connected" and "disconnected", in order.
class WatchedHolder : public ListenerHolder, private ListenerHolder::Listener {
public:
    WatchedHolder() { setListener(this); }
    ~WatchedHolder() { setListener(nullptr); }
    WatchedHolder(const WatchedHolder&) = delete;
    WatchedHolder& operator=(const WatchedHolder&) = delete;

    void notifyAll(int value)
    {
        forEach([value](test::Listener* listener) { listener->notify(value); });
    }
    bp::list getEvents() const
    {
        bp::list events;
        for (const std::string& event : mEvents) {
            events.append(event);
        }
        return events;
    }
    std::size_t getSize() const { return ListenerHolder::getSize(); }

private:
    void connected(test::Listener*) override { mEvents.push_back("connected"); }
    void disconnected(test::Listener*) override { mEvents.push_back("disconnected"); }
    std::vector<std::string> mEvents;
};

// Collision listeners as a physical object holds them for one partner.
class CollisionHolder : public InterfaceHolder<CollisionListener> {
public:
    /// Calls every listener with no partner and a contact of that depth.
    void dispatch(float depth)
    {
        Contact contact;
        contact.penetrationDepth = depth;
        forEach([&contact](CollisionListener* listener) { listener->collision(nullptr, &contact); });
    }
    bool isEmpty() const { return InterfaceHolder<CollisionListener>::isEmpty(); }
};

void callCollisionListener(CollisionListener* listener, float depth)
{
    Contact contact;
    contact.penetrationDepth = depth;
    listener->collision(nullptr, &contact);
}

void raiseEngineException(const std::string& kind)
{
    if (kind == "invalid") {
        throw InvalidArgumentException("bad argument");
    }
    if (kind == "notfound") {
        throw NotFoundException("no such thing");
    }
    if (kind == "fileaccess") {
        throw FileAccessException("cannot open");
    }
    if (kind == "initialisation") {
        throw InitialisationException("cannot start");
    }
    if (kind == "io") {
        throw IOException("cannot write");
    }
    if (kind == "parser") {
        throw ParserException("bad syntax");
    }
    if (kind == "illegalstate") {
        throw IllegalStateException("not now");
    }
    if (kind == "sound") {
        throw al::SoundException("no device");
    }
    throw ScriptingException("script failed");
}

std::pair<unsigned int, unsigned int> makePair(unsigned int first, unsigned int second)
{
    return {first, second};
}

std::vector<std::string> makeStrings(bp::object items)
{
    std::vector<std::string> strings;
    for (int i = 0; i < bp::len(items); ++i) {
        strings.push_back(bp::extract<std::string>(items[i]));
    }
    return strings;
}

std::vector<unsigned int> makeNumbers(bp::object items)
{
    std::vector<unsigned int> numbers;
    for (int i = 0; i < bp::len(items); ++i) {
        numbers.push_back(bp::extract<unsigned int>(items[i]));
    }
    return numbers;
}

/// Controls made from (type, value) pairs, in any order: they come out in the set's order.
std::set<Registry::Control> makeControls(bp::object pairs)
{
    std::set<Registry::Control> controls;
    for (int i = 0; i < bp::len(pairs); ++i) {
        const int type = bp::extract<int>(pairs[i][0]);
        const int value = bp::extract<int>(pairs[i][1]);
        controls.insert(Registry::Control(static_cast<Registry::Control::Type>(type), value));
    }
    return controls;
}

std::list<Registry::Command> makeCommands(bp::object pairs)
{
    std::list<Registry::Command> commands;
    for (int i = 0; i < bp::len(pairs); ++i) {
        commands.emplace_back(bp::extract<std::string>(pairs[i][0])(), "Test", bp::extract<bool>(pairs[i][1])());
    }
    return commands;
}

// A binding map whose commands the test can rename after the map was handed out.
class BindingMap {
public:
    void bind(int key, const std::string& commandName)
    {
        Registry::Command* command = nullptr;
        if (!commandName.empty()) {
            mCommands.emplace_back(commandName, "Test");
            command = &mCommands.back();
        }
        mBindings[Registry::Control(Registry::Control::TYPE_KEY, key)] = command;
    }
    void renameAll(const std::string& name)
    {
        for (Registry::Command& command : mCommands) {
            command.name = name;
        }
    }
    std::map<Registry::Control, Registry::Command*> get() const { return mBindings; }

private:
    std::list<Registry::Command> mCommands;
    std::map<Registry::Control, Registry::Command*> mBindings;
};

} // namespace

void setScriptTestEngine(Engine* engine, unsigned int generation)
{
    gEngine = engine;
    gGeneration = generation;
}

std::vector<std::string> takeFrameErrors()
{
    std::vector<std::string> errors;
    errors.swap(gFrameErrors);
    return errors;
}

bool takeRestartRequest()
{
    const bool requested = gRestartRequested;
    gRestartRequested = false;
    return requested;
}

} // namespace tolva::test

BOOST_PYTHON_MODULE(tolvatest)
{
    using namespace tolva;
    using namespace tolva::test;
    // Classes of TolvaEngine serve as bases and argument types here.
    bp::import("TolvaEngine");

    bp::def("frame", &frame, (bp::arg("seconds") = 0.0f));
    bp::def("runMainLoop", &runMainLoop);
    bp::def("takeFrameErrors", &takeFrameErrorsForScript);
    bp::def("refuseNextFrame", &ScriptTestGame::refuseNextFrame);
    bp::def("getEngineGeneration", &getEngineGeneration);
    bp::def("getLogTail", &getLogTail);
    bp::def("getControlRegistry", &getControlRegistry, bp::return_value_policy<bp::reference_existing_object>());
    bp::def("pressKey", &pressKey, (bp::arg("key"), bp::arg("text") = 0));
    bp::def("releaseKey", &releaseKey);
    bp::def("moveMouse", &moveMouse, (bp::arg("x") = 0, bp::arg("y") = 0, bp::arg("z") = 0));
    bp::def("pressMouseButton", &pressMouseButton);
    bp::def("typeKeys", &typeKeys);
    bp::def("raiseEngineException", &raiseEngineException);

    class_PythonSignal<TestSignal>("TestSignal", true);
    class_PythonSignal<FixedSignal>("FixedSignal", false);
    bp::def("emitSignal", &emitSignal);
    bp::def("countSlots", &countSlots);
    bp::def("countBillboards", &countBillboards);

    bp::class_<ListenerWrap, boost::noncopyable>("Listener").def("notify", bp::pure_virtual(&Listener::notify));
    class_InterfaceHolder<Listener>("Listener");
    bp::class_<WatchedHolder, bp::bases<ListenerHolder>, boost::noncopyable>("WatchedHolder")
        .def("notifyAll", &WatchedHolder::notifyAll)
        .def("getEvents", &WatchedHolder::getEvents)
        .def("getSize", &WatchedHolder::getSize);
    bp::class_<CollisionHolder, bp::bases<InterfaceHolder<CollisionListener>>, boost::noncopyable>("CollisionHolder")
        .def("dispatch", &CollisionHolder::dispatch)
        .def("isEmpty", &CollisionHolder::isEmpty);
    bp::def("callCollisionListener", &callCollisionListener);

    // Values of the types whose converters TolvaEngine registers.
    bp::def("makePair", &makePair);
    bp::def("makeStrings", &makeStrings);
    bp::def("makeNumbers", &makeNumbers);
    bp::def("makeControls", &makeControls);
    bp::def("makeCommands", &makeCommands);
    bp::class_<BindingMap, boost::noncopyable>("BindingMap")
        .def("bind", &BindingMap::bind)
        .def("renameAll", &BindingMap::renameAll)
        .def("get", &BindingMap::get);
}
