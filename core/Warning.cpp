#include "core/Warning.h"

#include <OgreLogManager.h>

#include <iostream>

namespace tolva {

void logWarning(const std::string& line)
{
    if (Ogre::LogManager* manager = Ogre::LogManager::getSingletonPtr()) {
        manager->logMessage(line, Ogre::LML_NORMAL, false);
    } else {
        std::cerr << line << std::endl;
    }
}

} // namespace tolva
