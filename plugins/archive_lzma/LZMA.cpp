#include "plugins/archive_lzma/LZMA.h"

#include "plugins/archive_lzma/Factory.h"

#include <OgreArchive.h>
#include <OgreArchiveManager.h>
#include <OgreResourceGroupManager.h>

#include <vector>

namespace tolva::plugin::archive::lzma {

LZMA* instance = nullptr;

LZMA::LZMA()
    : mName("LZMA")
{
}

LZMA::~LZMA()
{
    uninstall();
}

const Ogre::String& LZMA::getName() const
{
    return mName;
}

void LZMA::install()
{
    if (mFactory) {
        return;
    }
    mFactory = new Factory();
    Ogre::ArchiveManager::getSingleton().addArchiveFactory(mFactory);
}

void LZMA::initialise() { }

void LZMA::shutdown() { }

void LZMA::uninstall()
{
    if (!mFactory) {
        return;
    }
    releaseArchives();
    // The archive manager has no way to forget a factory; nothing asks it for "LZMA" any more.
    delete mFactory;
    mFactory = nullptr;
}

void LZMA::releaseArchives()
{
    const Ogre::String& type = mFactory->getType();
    if (auto* groups = Ogre::ResourceGroupManager::getSingletonPtr()) {
        for (const Ogre::String& group : groups->getResourceGroups()) {
            std::vector<Ogre::String> names;
            for (const auto& location : groups->getResourceLocationList(group)) {
                if (location.archive && location.archive->getType() == type) {
                    names.push_back(location.archive->getName());
                }
            }
            for (const Ogre::String& name : names) {
                groups->removeResourceLocation(name, group);
            }
        }
    }
    if (auto* archives = Ogre::ArchiveManager::getSingletonPtr()) {
        std::vector<Ogre::String> names;
        auto it = archives->getArchiveIterator();
        while (it.hasMoreElements()) {
            Ogre::Archive* archive = it.getNext();
            if (archive->getType() == type) {
                names.push_back(archive->getName());
            }
        }
        for (const Ogre::String& name : names) {
            archives->unload(name);
        }
    }
}

} // namespace tolva::plugin::archive::lzma
