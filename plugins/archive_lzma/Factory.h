// Makes the rendering engine's archives of type "LZMA": one Archive per 7z resource location.
#pragma once

#include <OgreArchiveFactory.h>

namespace tolva::plugin::archive::lzma {

class Factory : public Ogre::ArchiveFactory {
public:
    Factory();
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
};

} // namespace tolva::plugin::archive::lzma
