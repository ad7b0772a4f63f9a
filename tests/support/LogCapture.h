// Records every line written to the rendering engine's default log, so tests can assert the
// engine's "Warning: " lines. Creates a log manager with a file-less default log when none exists.
#pragma once

#include <OgreLog.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Ogre {
class LogManager;
}

namespace tolva::test {

class LogCapture : public Ogre::LogListener {
public:
    LogCapture();
    ~LogCapture() override;
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
        const Ogre::String& logName, bool& skipThisMessage) override;

    /// Whether a line equal to the text was logged.
    bool contains(const std::string& line) const;
    /// How many logged lines equal the text.
    int count(const std::string& line) const;
    /// A copy: the rendering engine's worker threads may log while a test reads.
    std::vector<std::string> getLines() const;
    /// Engine warnings are written at normal level; this says whether every line was.
    bool allAtNormalLevel() const;
    void clear();

private:
    mutable std::mutex mMutex;
    std::vector<std::string> mLines;
    std::vector<Ogre::LogMessageLevel> mLevels;
    std::unique_ptr<Ogre::LogManager> mOwnManager;
    Ogre::Log* mLog = nullptr;
};

} // namespace tolva::test
