// libFuzzer target: any bytes as a 7z file, through load, every listing, and open of every entry
// forwards and backwards (which moves, restarts and drops the archive's standing reader).
// Built and run by run-fuzz.sh.
#include "plugins/archive_lzma/Archive.h"

#include <OgreException.h>
#include <OgreLogManager.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string gPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Messages of failed opens go to a log that writes nowhere.
    auto* logs = new Ogre::LogManager();
    logs->createLog("archive-fuzz.log", true, false, true);
    const char* tmp = std::getenv("TMPDIR");
    gPath = std::string(tmp ? tmp : "/tmp") + "/tolva-archive-fuzz-" + std::to_string(getpid()) + ".7z";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(gPath.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    tolva::plugin::archive::lzma::Archive archive(gPath, "LZMA");
    try {
        archive.load();
    } catch (const Ogre::Exception&) {
        std::remove(gPath.c_str());
        return 0;
    }
    Ogre::StringVectorPtr names = archive.list(true, false);
    archive.list(false, true);
    archive.findFileInfo("*.material", true, false);
    Ogre::FileInfoListPtr infos = archive.listFileInfo(true, true);
    for (const Ogre::FileInfo& info : *infos) {
        archive.getModifiedTime(info.filename);
    }
    for (const std::string& name : *names) {
        if (Ogre::DataStreamPtr stream = archive.open(name)) {
            stream->size();
        }
    }
    for (auto it = names->rbegin(); it != names->rend(); ++it) {
        archive.open(*it);
    }
    archive.unload();
    std::remove(gPath.c_str());
    return 0;
}
