// What the archive plug-in's unit tests share: the fixture folder, a log manager whose lines the
// tests can read, and the bytes the fixture script wrote into its generated files.
#pragma once

#include "plugins/archive_lzma/Archive.h"

#include <OgreLog.h>
#include <OgreLogManager.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tolva::test {

namespace lzma = tolva::plugin::archive::lzma;

inline std::string fixture(const std::string& name)
{
    return std::string(TOLVA_ARCHIVE_FIXTURES) + "/" + name;
}

/// The content make-fixtures.sh writes into scripts/fileNN.txt of solid.7z and nonsolid.7z.
inline std::string generatedFile(int number)
{
    std::string text;
    char line[64];
    for (int j = 1; j <= number * 7; ++j) {
        std::snprintf(line, sizeof line, "file %02d line %d\n", number, j);
        text += line;
    }
    return text;
}

inline std::string readAll(const Ogre::DataStreamPtr& stream)
{
    return stream ? stream->getAsString() : std::string();
}

/// A rendering engine log manager for one test, keeping every line written to it.
class ArchiveTestBase : public ::testing::Test, public Ogre::LogListener {
protected:
    void SetUp() override
    {
        mLogs = std::make_unique<Ogre::LogManager>();
        Ogre::Log* log = mLogs->createLog("archive-test.log", true, false, true);
        log->addListener(this);
    }
    void TearDown() override { mLogs.reset(); }

    void messageLogged(
        const Ogre::String& message, Ogre::LogMessageLevel level, bool, const Ogre::String&, bool&) override
    {
        mLines.push_back(message);
        mLevels.push_back(level);
    }

    std::unique_ptr<lzma::Archive> loaded(const std::string& name)
    {
        auto archive = std::make_unique<lzma::Archive>(fixture(name), "LZMA");
        archive->load();
        return archive;
    }

    std::unique_ptr<Ogre::LogManager> mLogs;
    std::vector<std::string> mLines;
    std::vector<Ogre::LogMessageLevel> mLevels;
};

} // namespace tolva::test
