#include "plugins/archive_lzma/Factory.h"

#include "plugins/archive_lzma/Archive.h"

namespace tolva::plugin::archive::lzma {

Factory::Factory()
    : mType("LZMA")
{
}

Factory::~Factory()
{
    for (Ogre::Archive* archive : mInstances) {
        delete archive;
    }
}

const Ogre::String& Factory::getType() const
{
    return mType;
}

Ogre::Archive* Factory::createInstance(const Ogre::String& name, bool)
{
    auto* archive = new Archive(name, mType);
    mInstances.insert(archive);
    return archive;
}

void Factory::destroyInstance(Ogre::Archive* archive)
{
    if (mInstances.erase(archive) != 0) {
        delete archive;
    }
}

} // namespace tolva::plugin::archive::lzma
