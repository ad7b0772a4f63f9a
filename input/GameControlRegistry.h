// Maps player input to game actions: named commands, modifier layers (sets of keys and buttons
// that, held together, select a layer of bindings) and, per layer, which control fires which
// command. The game module owns the registry, forwards the input events that reach it and frames
// it once per game frame, which is when held repeating commands are called.
//
// Events and frames arrive on the main thread only. Command handlers are called synchronously
// and may change the registry (commands, bindings, layers) from inside the call.
//
// Commands and bindings are kept between runs in the controls file, one pickled tuple:
//   (commands, layer, layer, ...)
//   commands  ((name, category, repeat), ...) in registration order
//   layer     (modifier type, ((control type, value), ...), (((control type, value), command index), ...))
// with the base layer first. initialise() merges the file into the registry, shutdown() writes
// the whole registry back; the handlers and enabled flags of commands are not kept.
#pragma once

#include "core/EngineModule.h"

#include <OISKeyboard.h>
#include <OISMouse.h>

#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace boost {
namespace python {
class tuple;
}
} // namespace boost

namespace tolva {

class GameControlRegistry : public EngineModule {
public:
    /// One physical input: a key, a mouse button, or one direction of one mouse axis.
    class Control {
    public:
        enum Type : std::int32_t {
            TYPE_NONE = 0,
            TYPE_KEY = 1,
            TYPE_MOUSE_BUTTON = 2,
            TYPE_MOUSE_AXIS_X = 4,
            TYPE_MOUSE_AXIS_Y = 8,
            TYPE_MOUSE_AXIS_Z = 16,
            /// The three axis bits together; not a kind of control of its own.
            TYPE_MOUSE_AXIS_MASK = 28
        };

        /// @param value key code, button id, or signed relative axis motion
        Control(Type type, std::int32_t value)
            : mType(type)
            , mValue(value)
        {
        }

        Type getType() const { return mType; }
        std::int32_t getValue() const { return mValue; }
        bool isAxis() const { return (mType & TYPE_MOUSE_AXIS_MASK) != 0; }

        /// Axis controls of one axis order by the sign of their value only (-1, 0, +1), so a
        /// binding made with any positive motion is found by every positive motion.
        bool operator<(const Control& other) const
        {
            if (mType != other.mType) {
                return mType < other.mType;
            }
            if (isAxis()) {
                return getSignClass() < other.getSignClass();
            }
            return mValue < other.mValue;
        }
        /// Axis controls are equal when both values are negative or both positive; an axis
        /// control with value 0 equals nothing, itself included.
        bool operator==(const Control& other) const
        {
            if (mType != other.mType) {
                return false;
            }
            if (!isAxis()) {
                return mValue == other.mValue;
            }
            return (mValue < 0 && other.mValue < 0) || (mValue > 0 && other.mValue > 0);
        }

    private:
        int getSignClass() const { return (mValue > 0) - (mValue < 0); }

        Type mType;
        std::int32_t mValue;
    };

    /// The keys and buttons that must all be held to select one binding layer. The modifier
    /// without controls (type TYPE_NONE) is the base layer.
    class Modifier {
    public:
        enum Type : std::int32_t { TYPE_NONE = 0, TYPE_CUSTOM = 1 };
        typedef std::set<Control> ControlSet;

        Modifier()
            : mType(TYPE_NONE)
        {
        }

        Type getType() const { return mType; }
        const ControlSet& getControls() const { return mControls; }

        /// Axis controls are refused with a warning: a direction of motion cannot be held.
        void addControl(const Control& control);
        /// An absent control changes nothing.
        void removeControl(const Control& control);

        bool operator<(const Modifier& other) const;
        bool operator==(const Modifier& other) const;
        bool operator!=(const Modifier& other) const { return !(*this == other); }

    private:
        Type mType;
        ControlSet mControls;
    };

    /// Carries out a command. The registry never owns or deletes a handler: whoever sets it
    /// keeps it alive until it is replaced or its command removed.
    class CommandHandler {
    public:
        virtual ~CommandHandler() = default;
        /// @param value the magnitude of the control's value (key code, button id, amount of
        ///        axis motion) on a control-down, or 1 on every frame of a held repeating command
        virtual void handleCommand(int value) = 0;
    };

    /// A named action in a named category; (name, category) is its identity, the other fields
    /// are attributes of the copy registered in a registry.
    class Command {
    public:
        Command(const std::string& name, const std::string& category, bool repeat = false,
            CommandHandler* handler = nullptr)
            : repeat(repeat)
            , enabled(true)
            , name(name)
            , category(category)
            , handler(handler)
        {
        }

        bool operator==(const Command& other) const { return name == other.name && category == other.category; }
        /// By category first, then by name.
        bool operator<(const Command& other) const;

        bool repeat;
        bool enabled;
        std::string name;
        std::string category;
        CommandHandler* handler;
    };

    /// Tells the registry whether a control is physically down. Slots in front of the registry
    /// may consume a release, so the registry would otherwise never learn that a held key or
    /// button went up.
    class ControlStateSource {
    public:
        virtual ~ControlStateSource() = default;
        virtual bool isControlDown(const Control& control) const = 0;
    };

    typedef std::map<Control, Command*> Layer;
    typedef std::map<Modifier, Layer> LayerMap;

    /// @param controlsFile path of the file that keeps commands and bindings between runs
    explicit GameControlRegistry(const std::string& controlsFile);
    ~GameControlRegistry() override;

    GameControlRegistry(const GameControlRegistry&) = delete;
    GameControlRegistry& operator=(const GameControlRegistry&) = delete;

    /// Reads the controls file into the registry. A file that is damaged (no pickle, wrong
    /// shapes, numbers beyond 32 bits, something other than plain data) is logged as a warning
    /// naming it, the registry stays as it was, and the file is copied aside (to the first free
    /// name of "<file>.damaged", "<file>.damaged.2", ...) before shutdown writes over it; when
    /// no copy can be made, shutdown leaves the file alone. Of the warnings one file causes, the
    /// first ten are logged and the rest counted in one line.
    /// @throw Ogre::FileNotFoundException when there is no controls file
    void initialise() override;
    /// Calls every active repeating command with 1.
    void frame(float seconds) override;
    /// Whether the handler being called is the once-a-frame call of a held repeating command
    /// (rather than a single key, button or mouse motion event).
    bool isRepeating() const { return mRepeating; }
    /// The elapsed seconds of the frame whose repeats are being called (0 outside that call):
    /// a handler that should act by time rather than by frame scales its held amount by it.
    float getRepeatSeconds() const { return mRepeating ? mRepeatSeconds : 0.0f; }
    /// Writes the controls file (unless initialise found it unreadable and could not copy it
    /// aside). A failure is logged as a warning and leaves the old file as it was.
    void shutdown() override;

    /// Merges the controls file through the interpreter's unpickling; nothing without an
    /// interpreter.
    /// @throw ScriptingException when the file is damaged; the error text is in the log
    void readControlsConfig();
    /// Writes the controls file through the interpreter's pickling; nothing without an
    /// interpreter.
    /// @throw ScriptingException when building or writing the tuple fails
    void writeControlsConfig();
    /// The whole registry as the controls file holds it.
    /// @throw ScriptingException when a value cannot become a Python value
    boost::python::tuple packPickleBindings() const;
    /// Registers the file's commands that are missing (without handler), then, for every layer
    /// the file lists, creates or empties that layer and binds as the file says (without the
    /// checks of addModifier and bind). A binding's index names the file's own command at that
    /// position (or, past the file's commands, the registry's). A binding naming no command is
    /// skipped with a warning. Layers the file does not list and the current layer stay as they
    /// are.
    /// @throw ScriptingException (after the error was printed to the log) when an element has
    ///        the wrong shape or type; nothing is merged then
    void unpackPickleBindings(const boost::python::tuple& bindings);

    // Input events; each returns true when the registry consumed the event.
    virtual bool keyPressed(const OIS::KeyEvent& event);
    virtual bool keyReleased(const OIS::KeyEvent& event);
    virtual bool mouseMoved(const OIS::MouseEvent& event);
    virtual bool mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button);
    virtual bool mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button);

    // Commands.
    void addCommand(const Command& command);
    void removeCommand(const Command& command);
    bool isCommandPresent(const Command& command) const;
    bool isCommandEnabled(const Command& command) const;
    void setCommandEnabled(const Command& command, bool enabled);
    void setHandler(const Command& command, CommandHandler* handler);
    const std::list<Command>& getCommands() const { return mCommands; }
    /// The first binding of the command in the current layer, in control order; null if none.
    const Layer::value_type* getBinding(const Command& command) const;

    // Modifier layers.
    void addModifier(const Modifier& modifier);
    void removeModifier(const Modifier& modifier);
    std::list<Modifier> getModifiers() const;
    const Layer& getBindings(const Modifier& modifier) const;
    /// The modifier of the layer in which events are looked up now.
    const Modifier& getCurrentModifier() const { return mCurrent->first; }

    // Bindings.
    void bind(const Modifier& modifier, const Control& control, const Command& command);
    void unbind(const Modifier& modifier, const Control& control);
    void unbind(const Control& control);
    void unbind(const Modifier& modifier, const Command& command);
    void unbind(const Command& command);
    /// The current layer's binding of the control; null if none.
    const Layer::value_type* getBinding(const Control& control) const;
    bool isModifierControl(const Control& control) const;

    /// Whether active repeats survive a change of layer while their control stays held.
    bool isRepeatCommandMaintained() const { return mRepeatCommandMaintained; }
    void setRepeatCommandMaintained(bool maintained) { mRepeatCommandMaintained = maintained; }
    /// Whether a change of layer dispatches the commands the held keys are bound to there.
    bool isNewModifierCommandDispatched() const { return mNewModifierCommandDispatched; }
    void setNewModifierCommandDispatched(bool dispatched) { mNewModifierCommandDispatched = dispatched; }

    /// With a source set, every frame first releases the held keys, modifier controls and
    /// repeat-driving buttons that the source reports up, as if their release had arrived.
    /// The source is not owned; null (the default) turns the check off.
    void setControlStateSource(const ControlStateSource* source) { mControlState = source; }

    /// Number of entries in the active repeats (a command activated twice counts twice).
    std::size_t getActiveRepeatCount() const { return mActiveRepeats.size(); }

private:
    /// Logged where an axis control is refused as a modifier control (by a modifier or the file).
    static constexpr const char* AxisModifierWarning
        = "Warning: Attempt to add mouse-axis control as a modifier control.";

    /// A running repeat and the control that keeps it running.
    struct ActiveRepeat {
        Command* command;
        Control control;
        /// Scratch of a layer change: the first binding of the command in the layer examined.
        const Layer::value_type* binding;
    };

    bool dispatchControlCommand(const Control& control, bool down);
    bool isCandidateModifier(const Modifier& modifier) const;
    bool isCandidateControl(const Control& control) const;
    /// The layer that the held modifier controls select.
    LayerMap::iterator selectLayer();
    void setModifier(LayerMap::iterator layer);
    /// Sets every active repeat's first binding in the layer (null when none), in one walk.
    /// With checkAll, the walk covers the whole layer and the result tells whether a repeat has
    /// no binding there or is bound to a control that is not a held key.
    bool findFirstBindings(const Layer& layer, bool checkAll);
    void callHandler(const Command& command, int value);

    Command* findCommand(const Command& command);
    const Command* findCommand(const Command& command) const;
    static Layer::iterator findFirstBinding(Layer& layer, const Command& command);
    /// The same for a registered command: bindings point at registered copies, so the address
    /// identifies it without comparing names.
    static Layer::iterator findFirstBinding(Layer& layer, const Command* registered);
    /// Removes one binding; a repeat it drove in the current layer ends with it.
    void eraseBinding(LayerMap::iterator layer, Layer::iterator binding);
    /// Binds without any rule check, replacing the control's binding in that layer.
    void bindUnchecked(LayerMap::iterator layer, const Control& control, Command* command);
    void removeActiveRepeats(const Command* command);
    void removeActiveRepeats(const Command* command, const Control& control);
    bool isRepeatActive(const Command* command) const;
    void releaseControlsReportedUp();

    static bool contains(const std::vector<Control>& list, const Control& control);
    /// Copies the unreadable controls file aside. @return what the warning says of the file
    std::string keepUnreadableFile();

    std::string mControlsFile;
    /// Set when the file could not be read nor copied aside: shutdown must not overwrite it.
    bool mFileLeftAlone = false;
    std::list<Command> mCommands;
    LayerMap mBindings;
    std::vector<Control> mHeldModifierControls;
    LayerMap::iterator mCurrent;
    bool mRepeatCommandMaintained;
    bool mNewModifierCommandDispatched;
    std::vector<Control> mHeldKeys;
    std::vector<ActiveRepeat> mActiveRepeats;
    /// Counts every removal from the active repeats, so a walk over a snapshot can tell whether
    /// its remaining entries may have gone.
    std::uint64_t mRepeatRemovals;
    const ControlStateSource* mControlState;
    /// Spare buffers for the snapshots that handler calls are walked over; kept to reuse their
    /// capacity, so dispatch and frames do not allocate.
    std::vector<ActiveRepeat> mRepeatSnapshot;
    std::vector<Control> mHeldKeySnapshot;
    std::vector<Control> mReleaseSnapshot;
    bool mRepeating = false;
    float mRepeatSeconds = 0.0f;
};

} // namespace tolva
