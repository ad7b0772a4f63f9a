// A temporary home directory for tests that start the engine: sets "HOME" to a fresh folder for
// the object's lifetime (restoring the old value afterwards) and can write the per-user
// ".spindlewake/engine.cfg" and "controls.cfg" there.
#pragma once

#include <string>

#include "support/TempDir.h"

namespace tolva::test {

class TestHome {
public:
    /// An empty home: nothing below it, as before the program's first start.
    TestHome();
    /// A home whose data directory holds these two files.
    TestHome(const std::string& engineConfig, const std::string& controlsConfig);
    ~TestHome();

    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    /// The value "HOME" has while this object lives.
    const std::string& path() const { return mDirectory.path(); }
    /// path() joined with ".spindlewake".
    std::string dataDirectory() const;
    /// A file of the data directory.
    std::string dataFile(const std::string& name) const;

    /// Writes a file into the data directory, creating the directory.
    void writeDataFile(const std::string& name, const std::string& content) const;
    void writeEngineConfig(const std::string& content) const { writeDataFile("engine.cfg", content); }

    std::string readEngineLog() const;
    std::string readEngineConfig() const;

    /// An "engine.cfg" that an engine without graphics starts from.
    static std::string minimalEngineConfig();

private:
    TempDir mDirectory;
    bool mHadHome;
    std::string mOldHome;
};

} // namespace tolva::test
