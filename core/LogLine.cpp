#include "core/LogLine.h"

#include <OgreLogManager.h>

#include <iostream>

namespace tolva {

void logLine(const std::string& line)
{
    Ogre::LogManager* manager = Ogre::LogManager::getSingletonPtr();
    if (manager && manager->getDefaultLog()) {
        manager->logMessage(line, Ogre::LML_NORMAL, false);
    } else {
        std::cerr << line << std::endl;
    }
}

void logWarning(const std::string& line)
{
    logLine(line);
}

} // namespace tolva
