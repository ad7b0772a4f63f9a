#include "plugins/archive_lzma/Factory.h"

#include "plugins/archive_lzma/Archive.h"

namespace tolva::plugin::archive::lzma {

Factory::Factory() : mType("LZMA") {}

Factory::~Factory() = default;

const Ogre::String& Factory::getType() const
{
    return mType;
}

Ogre::Archive* Factory::createInstance(const Ogre::String& name, bool)
{
    return new Archive(name, mType);
}

void Factory::destroyInstance(Ogre::Archive* archive)
{
    delete archive;
}

} // namespace tolva::plugin::archive::lzma
