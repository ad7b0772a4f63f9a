// How fast the archive plug-in reads whole archives. Makes 2,000 small text files, packs them with
// the 7z command into a solid and a non-solid archive, then times, for each archive:
//   - `7z x -so` of the whole archive (the reference: one decode, plus starting a process);
//   - every entry opened through the plug-in in listing order, and in a shuffled order (load
//     included, fresh archive object each time, best of three);
//   - the cost of decoding every entry afresh, as an archive reader without a standing reader or
//     kept entries would: a new libarchive pass per open. Measured on a sample of the shuffled
//     order and scaled to all entries.
// Every byte read through the plug-in is compared with the file it came from.
#include "plugins/archive_lzma/Archive.h"
#include "plugins/archive_lzma/ArchiveReader.h"

#include <OgreLogManager.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using tolva::plugin::archive::lzma::Archive;
using tolva::plugin::archive::lzma::ArchiveReader;
using tolva::plugin::archive::lzma::EntryCache;

namespace {

const int kFiles = 2000;
const std::size_t kAfreshSample = 100;

using Clock = std::chrono::steady_clock;

double millisecondsOf(const std::function<void()>& work)
{
    auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        best = std::min(best, millisecondsOf(work));
    }
    return best;
}

std::string shellQuoted(const std::string& text)
{
    return "'" + text + "'";
}

/// Writes kFiles text files of 200 to 3,000 bytes in 20 folders; returns name -> content.
std::map<std::string, std::string> makeFiles(const fs::path& root)
{
    static const char* words[] = {"alpha", "beta", "gamma", "delta", "mesh", "material", "particle", "sphere", "level",
        "camera", "light", "node"};
    std::mt19937 random(1);
    std::map<std::string, std::string> files;
    for (int i = 0; i < kFiles; ++i) {
        std::string folder = "d" + std::to_string(i % 20);
        std::string name = folder + "/f" + std::to_string(i) + ".txt";
        std::size_t size = 200 + random() % 2801;
        std::string text;
        while (text.size() < size) {
            text += words[random() % 12];
            text += std::to_string(random() % 100);
            text += ' ';
        }
        fs::create_directories(root / folder);
        std::ofstream(root / name, std::ios::binary) << text;
        files[name] = text;
    }
    return files;
}

struct Result {
    double sevenZip = 0;
    double listing = 0;
    double shuffled = 0;
    double afresh = 0;
};

Result measure(const std::string& path, const std::map<std::string, std::string>& files)
{
    Result result;
    std::string command = "7z x -so " + shellQuoted(path) + " > /dev/null 2>&1";
    result.sevenZip = bestOf(3, [&] {
        if (std::system(command.c_str()) != 0) {
            std::cerr << "7z x failed on " << path << "\n";
        }
    });

    std::vector<std::string> order;
    {
        Archive archive(path, "LZMA");
        archive.load();
        Ogre::StringVectorPtr names = archive.list(true, false);
        order.assign(names->begin(), names->end());
    }
    std::vector<std::string> shuffled = order;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));

    std::size_t mismatches = 0;
    auto readAll = [&](const std::vector<std::string>& names) {
        Archive archive(path, "LZMA");
        archive.load();
        for (const std::string& name : names) {
            Ogre::DataStreamPtr stream = archive.open(name);
            const std::string& expected = files.at(name);
            if (!stream || stream->size() != expected.size()
                || std::memcmp(
                       static_cast<Ogre::MemoryDataStream*>(stream.get())->getPtr(), expected.data(), expected.size())
                    != 0) {
                ++mismatches;
            }
        }
    };
    result.listing = bestOf(3, [&] { readAll(order); });
    result.shuffled = bestOf(3, [&] { readAll(shuffled); });
    if (mismatches) {
        std::cerr << mismatches << " entries read wrongly from " << path << "\n";
    }

    // A new pass per open: skip to the entry and decode it.
    std::map<std::string, std::size_t> indexOf;
    std::map<std::size_t, std::uint64_t> sizeOf;
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ArchiveReader reader(fd);
        reader.open();
        ArchiveReader::Header header;
        while (reader.next(header) == ArchiveReader::Step::Entry) {
            indexOf[header.name] = reader.getNextIndex() - 1;
            sizeOf[reader.getNextIndex() - 1] = header.size;
        }
        ::close(fd);
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t sample = std::min(kAfreshSample, shuffled.size());
    double sampled = millisecondsOf([&] {
        for (std::size_t i = 0; i < sample; ++i) {
            std::size_t index = indexOf.at(shuffled[i]);
            ArchiveReader reader(fd);
            reader.open();
            ArchiveReader::Header header;
            while (reader.getNextIndex() <= index) {
                reader.next(header);
            }
            EntryCache::Bytes bytes;
            if (!reader.readData(sizeOf[index], bytes)) {
                ++mismatches;
            }
        }
    });
    ::close(fd);
    result.afresh = sampled * shuffled.size() / sample;
    return result;
}

} // namespace

int main()
{
    if (std::system("7z i > /dev/null 2>&1") != 0) {
        std::cerr << "archive_bench needs the 7z command (Debian package p7zip-full).\n";
        return 1;
    }
    auto* logs = new Ogre::LogManager();
    logs->createLog("archive_bench.log", true, false, true);

    fs::path work = fs::temp_directory_path() / ("tolva-archive-bench-" + std::to_string(getpid()));
    fs::path source = work / "files";
    auto files = makeFiles(source);
    std::string solid = (work / "solid.7z").string();
    std::string nonSolid = (work / "nonsolid.7z").string();
    std::string pack = "cd " + shellQuoted(source.string()) + " && 7z a -bd -y ";
    if (std::system((pack + "-ms=on " + shellQuoted(solid) + " . > /dev/null").c_str()) != 0
        || std::system((pack + "-ms=off " + shellQuoted(nonSolid) + " . > /dev/null").c_str()) != 0) {
        std::cerr << "7z a failed\n";
        fs::remove_all(work);
        return 1;
    }

    std::printf(
        "archive_bench: %d files, %.1f MB of text; kept decoded entries at most %.0f MB\n", kFiles,
        [&] {
            std::size_t total = 0;
            for (const auto& file : files) {
                total += file.second.size();
            }
            return total / 1e6;
        }(),
        Archive::msCacheBudget / 1048576.0);
    std::printf("%-13s %12s %22s %22s %26s\n", "archive", "7z x -so", "listing order", "random order",
        "decode afresh per open");
    for (const auto& [label, path] : {std::pair<std::string, std::string>{"solid", solid}, {"non-solid", nonSolid}}) {
        Result r = measure(path, files);
        std::printf("%-13s %9.1f ms %12.1f ms %5.2fx %12.1f ms %5.2fx %15.0f ms %6.1fx\n", label.c_str(), r.sevenZip,
            r.listing, r.listing / r.sevenZip, r.shuffled, r.shuffled / r.sevenZip, r.afresh, r.afresh / r.sevenZip);
    }
    std::printf("(ratios against 7z x -so of the same archive; decode afresh scaled from %zu opens)\n", kAfreshSample);
    fs::remove_all(work);
    delete logs;
    return 0;
}
