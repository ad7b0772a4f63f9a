// The plug-in object that the rendering engine installs when it loads tolva_archive_lzma: it
// registers the factory of the archive type "LZMA" and takes it away again on uninstall.
#pragma once

#include <OgrePlugin.h>

namespace tolva::plugin::archive::lzma {

class Factory;

class LZMA : public Ogre::Plugin {
public:
    LZMA();
    ~LZMA() override;
    LZMA(const LZMA&) = delete;
    LZMA& operator=(const LZMA&) = delete;

    /// "LZMA".
    const Ogre::String& getName() const override;
    /// Creates the factory and registers it with the archive manager.
    void install() override;
    void initialise() override;
    void shutdown() override;
    /// Unloads every archive of type "LZMA" still held by the rendering engine (and takes them
    /// out of the resource groups), then deletes the factory. The rendering engine unloads
    /// plug-ins before it closes its archives, which would otherwise run code of an unloaded
    /// library.
    void uninstall() override;

private:
    void releaseArchives();

    Ogre::String mName;
    Factory* mFactory = nullptr;
};

/// The one plug-in object, made by dllStartPlugin and deleted by dllStopPlugin.
extern LZMA* instance;

} // namespace tolva::plugin::archive::lzma
