// The engine log: "engine.log" written through the rendering engine's log writer, plus an
// in-memory tail of what was written through this object itself. The tail is bounded; a marker
// lets a caller collect exactly the text written after a certain moment (the scripting bridge
// uses it for a script error's text), and a signal announces every new message (the console).
// Lines written through Ogre::LogManager (warnings, the rendering engine's and the GUI's own lines)
// reach the file and the console echo, but never the tail or the signal.
#pragma once

#include <OgreLog.h>

#include <boost/signals2/signal.hpp>

#include <string>

#include "core/EngineModule.h"

namespace tolva {

class Log : public EngineModule, public Ogre::Log {
public:
    typedef boost::signals2::signal<void(const std::string&)> OutputEvent;

    /// @param name file name of the log
    /// @param debugOutput echo every line to the console
    /// @param suppressFileOutput write no file
    /// @param maxOutputSize the most characters the tail keeps
    Log(const std::string& name, bool debugOutput, bool suppressFileOutput, unsigned int maxOutputSize);
    /// Disconnects every slot of the new-output event and closes the file. When this object is
    /// still the log manager's default log, the manager is left without a default log rather than
    /// with a dangling one.
    ~Log() override;

    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void initialise() override;
    void frame(float seconds) override;
    void shutdown() override;

    /// Appends the message to the tail, writes it to the file and console, then emits the
    /// new-output event with it. Hides (does not override: it is not virtual) the base's form.
    void logMessage(const std::string& message, Ogre::LogMessageLevel level, bool maskDebug);
    /// The same at normal level without debug masking; scripts call it "write".
    void logMessage(const std::string& message);

    /// Sets the marker to the end of the tail.
    void mark();
    /// The tail from the marker to its end.
    std::string getMarkerOutput() const;
    const std::string& getOutput() const;
    /// The last message written, uncut.
    const std::string& getLatestOutput() const;
    OutputEvent& eventNewOutput();

private:
    unsigned int mMaxOutputSize;
    std::string mOutput;
    std::string mLatestOutput;
    int mMarker;
    OutputEvent mEventNewOutput;
};

} // namespace tolva
