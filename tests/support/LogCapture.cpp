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
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.push_back(message);
    mLevels.push_back(level);
}

std::vector<std::string> LogCapture::getLines() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mLines;
}

bool LogCapture::allAtNormalLevel() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return std::all_of(
        mLevels.begin(), mLevels.end(), [](Ogre::LogMessageLevel level) { return level == Ogre::LML_NORMAL; });
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.clear();
    mLevels.clear();
}

bool LogCapture::contains(const std::string& line) const
{
    return count(line) > 0;
}

int LogCapture::count(const std::string& line) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<int>(std::count(mLines.begin(), mLines.end(), line));
}

} // namespace tolva::test
