#include "core/ResourceLocator.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/ToString.h"

#include <OgreArchive.h>
#include <OgreException.h>
#include <OgreResourceGroupManager.h>
#include <OgreStringConverter.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <sstream>

namespace tolva {

namespace {

bool isAbsolutePath(const std::string& name)
{
    return !name.empty() && name[0] == '/';
}

bool isRegularFile(const std::string& name)
{
    boost::system::error_code error;
    return boost::filesystem::is_regular_file(name, error);
}

bool isDirectory(const std::string& path)
{
    boost::system::error_code error;
    return boost::filesystem::is_directory(path, error);
}

/// Whether the archive holds a folder of that name. A folder passes the archives' own exists()
/// (a file system archive only asks the file system), and a stream opened on it never ends.
bool isFolderIn(const Ogre::Archive& archive, const std::string& name)
{
    if (archive.getType() == "FileSystem") {
        return isDirectory(isAbsolutePath(name) ? name : archive.getName() + "/" + name);
    }
    std::string folder = name;
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    std::string base;
    std::string path;
    Ogre::StringUtil::splitFilename(folder, base, path);
    if (base.empty()) {
        return true;
    }
    const Ogre::StringVectorPtr folders = archive.find(base, true, true);
    for (std::string entry : *folders) {
        while (!entry.empty() && entry.back() == '/') {
            entry.pop_back();
        }
        if (entry == folder) {
            return true;
        }
    }
    return false;
}

/// Names that can only be folders, or that some location holds as a folder, name no resource:
/// "", ".", "..", "/", a sub-folder of a location, and any name with a NUL byte (no file has one;
/// the system would read the name only up to it).
bool isFolderName(const Ogre::ResourceGroupManager* manager, const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos || name.back() == '/') {
        return true;
    }
    if (isAbsolutePath(name) && isDirectory(name)) {
        return true;
    }
    if (!manager) {
        return false;
    }
    for (const std::string& group : manager->getResourceGroups()) {
        for (const Ogre::ResourceGroupManager::ResourceLocation& location : manager->getResourceLocationList(group)) {
            if (location.archive && isFolderIn(*location.archive, name)) {
                return true;
            }
        }
    }
    return false;
}

Ogre::DataStreamPtr openFromLocations(Ogre::ResourceGroupManager& manager, const std::string& name)
{
    Ogre::DataStreamPtr stream = manager.openResource(name, Ogre::RGN_DEFAULT, nullptr, false);
    if (stream) {
        return stream;
    }
    if (manager.resourceExistsInAnyGroup(name)) {
        stream = manager.openResource(name, manager.findGroupContainingResource(name), nullptr, false);
        if (stream) {
            return stream;
        }
    }
    for (const std::string& group : manager.getResourceGroups()) {
        for (const Ogre::ResourceGroupManager::ResourceLocation& location : manager.getResourceLocationList(group)) {
            if (location.archive && location.archive->exists(name)) {
                stream = location.archive->open(name);
                if (stream) {
                    return stream;
                }
            }
        }
    }
    return Ogre::DataStreamPtr();
}

Ogre::DataStreamPtr openFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in) {
        return Ogre::DataStreamPtr();
    }
    const std::string bytes = content.str();
    auto stream = std::make_shared<Ogre::MemoryDataStream>(name, bytes.size(), true);
    if (!bytes.empty()) {
        stream->write(bytes.data(), bytes.size());
        stream->seek(0);
    }
    return stream;
}

} // namespace

bool ResourceLocator::addLocations(const Ogre::ConfigFile::SettingsMultiMap& entries, const std::string& dataDirectory)
{
    for (const auto& entry : entries) {
        if (!addLocation(entry.first, entry.second)) {
            return false;
        }
    }
    // The data directory always comes last, whole: it is a path, not an entry of the section,
    // so a comma in it (a home folder "/home/a,b") is part of the name. Nothing is read from it
    // through the location (the controls file is read by its absolute path), so a location that
    // cannot be added does not stop the start.
    try {
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
            dataDirectory, "FileSystem", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, false);
    } catch (const Ogre::Exception& error) {
        logWarning(ToString("Warning: The data directory '") + ToString(dataDirectory)
            + ToString("' is not a resource location: ") + ToString(error.getDescription()));
    }
    return true;
}

bool ResourceLocator::addLocation(const std::string& archiveType, const std::string& entry)
{
    const Ogre::StringVector pieces = Ogre::StringUtil::split(entry, ",");
    const std::string quoted = ToString("Resource specification '") + ToString(archiveType) + ToString(" ")
        + ToString(entry) + ToString("'");
    if (pieces.size() > 2) {
        logLine(quoted + ToString(" has too many specifiers."));
        return false;
    }
    if (pieces.empty()) {
        logLine(quoted + ToString(" has no location."));
        return false;
    }
    bool recursive = false;
    if (pieces.size() == 2) {
        if (pieces[1] == "true") {
            recursive = true;
        } else if (pieces[1] != "false") {
            logLine(quoted + ToString(" has unknown recursivity specifier."));
            return false;
        }
    }
    const std::string where = boost::filesystem::absolute(pieces[0]).lexically_normal().string();
    boost::system::error_code error;
    if (archiveType == "FileSystem" && boost::filesystem::exists(pieces[0], error) && !isDirectory(pieces[0])) {
        // The rendering engine would take a file, a pipe or a device as a folder that holds
        // nothing; a folder that does not exist (yet) stays a location, as it always was.
        throw InitialisationException(ToString("Failed to open resource location ") + ToString(where)
            + ToString(" (FileSystem): ") + ToString(pieces[0]) + ToString(" is not a folder."));
    }
    try {
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
            pieces[0], archiveType, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, recursive);
    } catch (const Ogre::ItemIdentityException&) {
        // No archive factory for the type: a fault of the configuration, reported as such.
        throw;
    } catch (const Ogre::Exception& error) {
        // The location exists in the configuration but cannot be read (a damaged archive): the
        // program cannot run without its media, and the user must learn which file is at fault.
        throw InitialisationException(ToString("Failed to open resource location ") + ToString(where) + ToString(" (")
            + ToString(archiveType) + ToString("): ") + ToString(error.getDescription()));
    }
    return true;
}

Ogre::DataStreamPtr ResourceLocator::open(const std::string& name)
{
    Ogre::ResourceGroupManager* manager = Ogre::ResourceGroupManager::getSingletonPtr();
    if (isFolderName(manager, name)) {
        return Ogre::DataStreamPtr();
    }
    if (manager) {
        if (Ogre::DataStreamPtr stream = openFromLocations(*manager, name)) {
            return stream;
        }
    }
    if (isAbsolutePath(name) && isRegularFile(name)) {
        return openFile(name);
    }
    return Ogre::DataStreamPtr();
}

std::string ResourceLocator::read(const std::string& name)
{
    if (Ogre::DataStreamPtr stream = open(name)) {
        return stream->getAsString();
    }
    // A damaged archive entry is no missing resource: the player must learn which file to replace.
    const std::string unreadable = describeUnreadable(name);
    if (!unreadable.empty()) {
        throw IOException(unreadable);
    }
    OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND, "Cannot locate resource " + name + " in any resource location.",
        "Engine::getResourceData");
}

bool ResourceLocator::exists(const std::string& name)
{
    Ogre::ResourceGroupManager* manager = Ogre::ResourceGroupManager::getSingletonPtr();
    if (isFolderName(manager, name)) {
        return false;
    }
    if (manager) {
        if (manager->resourceExists(Ogre::RGN_DEFAULT, name) || manager->resourceExistsInAnyGroup(name)) {
            return true;
        }
        for (const std::string& group : manager->getResourceGroups()) {
            for (const Ogre::ResourceGroupManager::ResourceLocation& location :
                manager->getResourceLocationList(group)) {
                if (location.archive && location.archive->exists(name)) {
                    return true;
                }
            }
        }
    }
    return isAbsolutePath(name) && isRegularFile(name);
}

std::string ResourceLocator::describeUnreadable(const std::string& name)
{
    Ogre::ResourceGroupManager* manager = Ogre::ResourceGroupManager::getSingletonPtr();
    if (!manager || isFolderName(manager, name)) {
        return std::string();
    }
    for (const std::string& group : manager->getResourceGroups()) {
        for (const Ogre::ResourceGroupManager::ResourceLocation& location : manager->getResourceLocationList(group)) {
            if (!location.archive || !location.archive->exists(name)) {
                continue;
            }
            Ogre::DataStreamPtr stream;
            try {
                stream = location.archive->open(name);
            } catch (const Ogre::Exception&) {
            }
            if (!stream) {
                const std::string where
                    = boost::filesystem::absolute(location.archive->getName()).lexically_normal().string();
                return ToString("The entry '") + ToString(name) + ToString("' of '") + ToString(where)
                    + ToString("' (") + ToString(location.archive->getType()) + ToString(") could not be read.");
            }
        }
    }
    return std::string();
}

} // namespace tolva
