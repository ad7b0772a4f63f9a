#include "support/LogCapture.h"

#include <OgreLogManager.h>

#include <algorithm>

namespace tolva::test {

LogCapture::LogCapture()
{
    if (!Ogre::LogManager::getSingletonPtr()) {
        mOwnManager = std::make_unique<Ogre::LogManager>();
        mOwnManager->createLog("test.log", true, false, true);
    }
    mLog = Ogre::LogManager::getSingleton().getDefaultLog();
    if (mLog) {
        mLog->addListener(this);
    }
}

LogCapture::~LogCapture()
{
    // The default log may have been replaced or deleted by the code under test meanwhile.
    Ogre::LogManager* manager = Ogre::LogManager::getSingletonPtr();
    if (mLog && manager && manager->getDefaultLog() == mLog) {
        mLog->removeListener(this);
    }
}

void LogCapture::messageLogged(
    const Ogre::String& message, Ogre::LogMessageLevel level, bool, const Ogre::String&, bool&)
{
    lines.push_back(message);
    levels.push_back(level);
}

bool LogCapture::allAtNormalLevel() const
{
    return std::all_of(
        levels.begin(), levels.end(), [](Ogre::LogMessageLevel level) { return level == Ogre::LML_NORMAL; });
}

void LogCapture::clear()
{
    lines.clear();
    levels.clear();
}

bool LogCapture::contains(const std::string& line) const
{
    return count(line) > 0;
}

int LogCapture::count(const std::string& line) const
{
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

} // namespace tolva::test
