#include "input/GuiResourceProvider.h"

#include <CEGUI/Exceptions.h>

#include <OgreResourceGroupManager.h>

#include <cstring>

#include "core/ResourceLocator.h"
#include "input/GuiText.h"

namespace tolva {

void GuiResourceProvider::loadRawDataContainer(
    const CEGUI::String& filename, CEGUI::RawDataContainer& output, const CEGUI::String&)
{
    const std::string name = guiTextToUtf8(filename);
    Ogre::DataStreamPtr stream = ResourceLocator::open(name);
    if (!stream) {
        CEGUI_THROW(CEGUI::FileIOException("The GUI file '" + filename + "' is in no resource location."));
    }
    const std::string bytes = stream->getAsString();
    CEGUI::uint8* data = new CEGUI::uint8[bytes.size()];
    if (!bytes.empty()) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    output.setData(data);
    output.setSize(bytes.size());
}

void GuiResourceProvider::unloadRawDataContainer(CEGUI::RawDataContainer& data)
{
    delete[] data.getDataPtr();
    data.setData(nullptr);
    data.setSize(0);
}

size_t GuiResourceProvider::getResourceGroupFileNames(
    std::vector<CEGUI::String>& names, const CEGUI::String& pattern, const CEGUI::String&)
{
    Ogre::ResourceGroupManager* manager = Ogre::ResourceGroupManager::getSingletonPtr();
    if (!manager) {
        return 0;
    }
    const Ogre::StringVectorPtr found = manager->findResourceNames(Ogre::RGN_DEFAULT, guiTextToUtf8(pattern));
    for (const std::string& name : *found) {
        names.push_back(utf8ToGuiText(name));
    }
    return found->size();
}

} // namespace tolva
