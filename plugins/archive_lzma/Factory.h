// Makes the rendering engine's archives of type "LZMA": one Archive per 7z resource location.
#pragma once

#include <OgreArchiveFactory.h>

#include <set>

namespace tolva::plugin::archive::lzma {

class Factory : public Ogre::ArchiveFactory {
public:
    Factory();
    /// Deletes the archives never handed back: the rendering engine drops an archive whose load
    /// failed without returning it.
    ~Factory() override;
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    /// "LZMA".
    const Ogre::String& getType() const override;
    using Ogre::ArchiveFactory::createInstance;
    /// A new, not yet loaded Archive over the 7z file name; the caller hands it back through
    /// destroyInstance. Every archive is read-only, whatever readOnly says.
    Ogre::Archive* createInstance(const Ogre::String& name, bool readOnly) override;
    /// Deletes an archive this factory made; the rendering engine has unloaded it before.
    void destroyInstance(Ogre::Archive* archive) override;

private:
    Ogre::String mType;
    std::set<Ogre::Archive*> mInstances;
};

} // namespace tolva::plugin::archive::lzma
