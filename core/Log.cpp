#include "core/Log.h"

#include <OgreLogManager.h>

namespace tolva {

Log::Log(const std::string& name, bool debugOutput, bool suppressFileOutput, unsigned int maxOutputSize)
    : Ogre::Log(name, debugOutput, suppressFileOutput)
    , mMaxOutputSize(maxOutputSize)
    , mMarker(0)
{
}

Log::~Log()
{
    mEventNewOutput.disconnect_all_slots();
    Ogre::LogManager* manager = Ogre::LogManager::getSingletonPtr();
    if (manager && manager->getDefaultLog() == this) {
        manager->setDefaultLog(nullptr);
    }
}

void Log::initialise() { }

void Log::frame(float) { }

void Log::shutdown() { }

void Log::logMessage(const std::string& message, Ogre::LogMessageLevel level, bool maskDebug)
{
    // Signed 64-bit arithmetic: the lengths are unsigned and the marker is an int.
    const long long total = static_cast<long long>(mOutput.size()) + static_cast<long long>(message.size());
    const long long excess = total - static_cast<long long>(mMaxOutputSize);
    if (excess > 0) {
        const long long marker = static_cast<long long>(mMarker) - excess;
        mMarker = marker < 0 ? 0 : static_cast<int>(marker);
    }
    mOutput += message;
    mLatestOutput = message;
    if (mOutput.size() > mMaxOutputSize) {
        mOutput.erase(0, mOutput.size() - mMaxOutputSize);
    }
    Ogre::Log::logMessage(message, level, maskDebug);
    // A copy, so a slot that logs again cannot change the text the later slots receive.
    const std::string latest = mLatestOutput;
    mEventNewOutput(latest);
}

void Log::logMessage(const std::string& message)
{
    logMessage(message, Ogre::LML_NORMAL, false);
}

void Log::mark()
{
    mMarker = static_cast<int>(mOutput.size());
}

std::string Log::getMarkerOutput() const
{
    return mOutput.substr(static_cast<std::size_t>(mMarker));
}

const std::string& Log::getOutput() const
{
    return mOutput;
}

const std::string& Log::getLatestOutput() const
{
    return mLatestOutput;
}

Log::OutputEvent& Log::eventNewOutput()
{
    return mEventNewOutput;
}

} // namespace tolva
