#include "core/Bootstrap.h"

#include <boost/filesystem.hpp>

#include <cstdlib>

#include "core/Exceptions.h"
#include "core/ToString.h"

namespace fs = boost::filesystem;

namespace tolva {
namespace bootstrap {

namespace {

const char* const HomeVariable = "HOME";
const char* const DataDirectoryName = ".spindlewake";

/// The shipped defaults, relative to the working directory (not to the executable).
fs::path defaultConfigFolder()
{
    return fs::path("..") / "cfg";
}

} // namespace

std::string GetDataDirectory()
{
    const char* home = std::getenv(HomeVariable);
    if (!home) {
        throw NotFoundException(
            ToString("Value of environment variable ") + ToString(HomeVariable) + ToString(" was not found."));
    }
    return (fs::path(home) / DataDirectoryName).string();
}

void Bootstrap(int, char**)
{
    const std::string dataDirectory = GetDataDirectory();
    try {
        fs::create_directories(dataDirectory);
    } catch (...) {
        throw IOException(ToString("Failed to create data directory ") + ToString(dataDirectory) + ToString("."));
    }
    // create_directories accepts an existing directory; a symbolic link to nowhere or a path
    // that names something else gives no exception on every version, so check the result.
    boost::system::error_code error;
    if (!fs::is_directory(dataDirectory, error)) {
        throw IOException(ToString("Failed to create data directory ") + ToString(dataDirectory) + ToString("."));
    }
    BootstrapCopyConfigFile("engine.cfg");
    BootstrapCopyConfigFile("controls.cfg");
}

void BootstrapCopyConfigFile(const std::string& fileName)
{
    const fs::path source = defaultConfigFolder() / fileName;
    const fs::path destination = fs::path(GetDataDirectory()) / fileName;

    if (!fs::exists(destination)) {
        try {
            fs::copy_file(source, destination);
        } catch (...) {
            throw InitialisationException(ToString("Failed to copy config file ") + ToString(fileName) + ToString("."));
        }
    } else if (!fs::is_regular_file(destination)) {
        throw InitialisationException(
            ToString("Configuration file ") + ToString(destination.string()) + ToString(" is not a file."));
    }
}

} // namespace bootstrap
} // namespace tolva
