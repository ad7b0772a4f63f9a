// Finds resources by name for the engine and for every reader of named resources (scripts, GUI
// files, compositors, sounds, gravity maps), and adds the resource locations that "engine.cfg"
// lists.
//
// OGRE's index only knows names directly inside a location, or relative to a recursive one. A
// name with folders below a flat location ("gui/schemes/Tolva2.scheme"), or an absolute path
// inside a location, is therefore asked of each location's archive itself, and an absolute path
// that no location holds is read from the file system. A resource that is nowhere is a null
// stream, never a crash. A folder is no resource: "", ".", "..", "/", a name with a NUL byte and
// a name that some location holds as a folder are nowhere.
#pragma once

#include <OgreConfigFile.h>
#include <OgreDataStream.h>

#include <string>

namespace tolva {

class ResourceLocator {
public:
    /// Adds every entry of a "Resources" section (in its order), then the data directory (whole,
    /// not recursive, commas included), to the default resource group.
    /// @return false (after a log line) when an entry is rejected; the data directory's own
    ///         outcome is only logged
    static bool addLocations(const Ogre::ConfigFile::SettingsMultiMap& entries, const std::string& dataDirectory);
    /// Adds one location: the entry is "<location>" or "<location>,true" / "<location>,false"
    /// (recursive or not; no blanks allowed around the flag).
    /// @return false (after a log line) when the entry is malformed
    /// @throw InitialisationException "Failed to open resource location <absolute path> (<type>): <reason>"
    ///        when a location of a known type cannot be read (a damaged archive)
    static bool addLocation(const std::string& archiveType, const std::string& entry);

    /// A stream on the resource: the default group, then every group, then every location
    /// directly, then the file system for an absolute path. Null when it is nowhere (also
    /// before the resource system exists).
    static Ogre::DataStreamPtr open(const std::string& name);
    /// The whole content (bytes, zero bytes kept).
    /// @throw Ogre::FileNotFoundException when it is nowhere
    /// @throw IOException with the text of describeUnreadable when a location holds it but
    ///        cannot read it
    static std::string read(const std::string& name);
    /// Whether open would find the resource.
    static bool exists(const std::string& name);
    /// For a resource that open() does not give: "The entry '<name>' of '<absolute path of the
    /// location>' (<type>) could not be read." when some location holds it but cannot read it
    /// (damaged data in an archive), else empty.
    static std::string describeUnreadable(const std::string& name);
};

} // namespace tolva
