// Gives the GUI library its files (schemes, imagesets, pictures, fonts, layouts) from the engine's
// resource locations, the same way every other reader of named resources finds them: names with
// folders ("gui/schemes/Tolva2.scheme") are found below a location that is not recursive, and in
// 7z archives. The library's resource groups are not used: every name is looked up everywhere.
#pragma once

#include <CEGUI/ResourceProvider.h>

namespace tolva {

class GuiResourceProvider : public CEGUI::ResourceProvider {
public:
    /// @throw CEGUI::FileIOException when no resource location holds the file
    void loadRawDataContainer(
        const CEGUI::String& filename, CEGUI::RawDataContainer& output, const CEGUI::String& resourceGroup) override;
    void unloadRawDataContainer(CEGUI::RawDataContainer& data) override;
    /// The names in the default resource group's index that match the pattern.
    size_t getResourceGroupFileNames(
        std::vector<CEGUI::String>& names, const CEGUI::String& pattern, const CEGUI::String& resourceGroup) override;
};

} // namespace tolva
