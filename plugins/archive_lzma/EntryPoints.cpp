// The two functions the rendering engine looks up when it loads and unloads the plug-in library.
#include "plugins/archive_lzma/LZMA.h"

#include <OgreRoot.h>

using tolva::plugin::archive::lzma::instance;
using tolva::plugin::archive::lzma::LZMA;

extern "C" __attribute__((visibility("default"))) void dllStartPlugin() noexcept
{
    instance = new LZMA();
    Ogre::Root::getSingleton().installPlugin(instance);
}

extern "C" __attribute__((visibility("default"))) void dllStopPlugin()
{
    if (!instance) {
        return;
    }
    Ogre::Root::getSingleton().uninstallPlugin(instance);
    delete instance;
    instance = nullptr;
}
