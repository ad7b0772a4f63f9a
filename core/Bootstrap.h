// Start-up before any engine exists: the per-user data directory ".spindlewake" under "HOME" and,
// on the first start, the per-user copies of the default configuration files from "../cfg"
// (beside the working directory, which is the runnable tree's bin/).
#pragma once

#include <string>

namespace tolva {
namespace bootstrap {

/// Prepares the data directory and the per-user "engine.cfg" and "controls.cfg".
/// argc and argv are not used.
/// @throw NotFoundException when "HOME" is not set
/// @throw IOException when the data directory cannot be created
/// @throw InitialisationException when a default file cannot be copied, or a per-user
///        configuration path exists but is not a regular file
void Bootstrap(int argc, char** argv);

/// "HOME" joined with ".spindlewake", computed anew on every call; an empty "HOME" gives the
/// relative ".spindlewake".
/// @throw NotFoundException when "HOME" is not set
std::string GetDataDirectory();

/// Copies the default file of that name into the data directory unless a per-user copy exists;
/// an existing per-user file is never overwritten.
void BootstrapCopyConfigFile(const std::string& fileName);

} // namespace bootstrap
} // namespace tolva
