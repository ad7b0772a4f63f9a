// The real program on the shipped data when things go wrong: a damaged archive among its
// resources, configuration files damaged by hand, and Ctrl-C or SIGTERM while it runs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "RunningProgram.h"
#include "support/TempDir.h"
#include "support/TestHome.h"

namespace fs = std::filesystem;
using tolva::test::readFile;
using tolva::test::RunningProgram;
using tolva::test::TempDir;
using tolva::test::TestHome;

namespace {

const std::string FatalPrefix = "Brindlemoor: Fatal Error: ";
// Written once the console's window exists: the engine is built and about to run.
const std::string EngineBuilt = "Successfully completed loading of GUI layout from 'gui/layouts/ConsoleWindow.layout'";
const double StartSeconds = 60.0;
const double EndSeconds = 60.0;

std::string shippedFile(const std::string& name)
{
    return readFile(std::string(TOLVA_TREE_DIR) + "/cfg/" + name);
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::string::size_type at = text.find(from);
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

/// Runs the program until the engine is built, then ends it with the signal.
/// @return the exit status
int runUntilSignal(const TestHome& home, int signal)
{
    RunningProgram program;
    if (!program.waitForText(home.dataFile("engine.log"), EngineBuilt, StartSeconds)) {
        ADD_FAILURE() << "the engine was not built; standard error: " << program.standardError();
        return program.waitForExit(EndSeconds);
    }
    program.sendSignal(signal);
    const int status = program.waitForExit(EndSeconds);
    EXPECT_EQ(program.standardError().find(FatalPrefix), std::string::npos) << program.standardError();
    return status;
}

} // namespace

TEST(DamagedArchive, EndsTheStartWithAFatalMessageNamingTheArchive)
{
    const std::string shipped = readFile(std::string(TOLVA_TREE_DIR) + "/media/spindlewake.7z");
    ASSERT_GT(shipped.size(), 100u);
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"not an archive", "This is a text file, not a 7z archive.\n"},
        {"cut short", shipped.substr(0, shipped.size() / 2)},
        {"empty", ""},
    };
    for (const auto& [damage, content] : damages) {
        TempDir media;
        const std::string archive = media.write("spindlewake.7z", content);
        const std::string config
            = replaced(shippedFile("engine.cfg"), "LZMA=../media/spindlewake.7z", "LZMA=" + archive);
        TestHome home(config, shippedFile("controls.cfg"));
        RunningProgram program;
        EXPECT_EQ(program.waitForExit(EndSeconds), 1) << damage;
        const std::string error = program.standardError();
        EXPECT_EQ(error.find(FatalPrefix + "Failed to open resource location " + archive + " (LZMA): "), 0u)
            << damage << ": " << error;
        EXPECT_EQ(home.readEngineConfig(), config) << damage;
    }
}

TEST(DamagedArchive, DataThatCannotBeReadIsNamedAndTheProgramEndsInOrder)
{
    // The headers are intact, so the archive opens; its one solid block of packed data is not.
    std::string damaged = readFile(std::string(TOLVA_TREE_DIR) + "/media/spindlewake.7z");
    ASSERT_GT(damaged.size(), 4000u);
    for (std::size_t at = 1000; at < 1064; ++at) {
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5a);
    }
    TempDir media;
    const std::string archive = media.write("spindlewake.7z", damaged);
    const std::string config = replaced(shippedFile("engine.cfg"), "LZMA=../media/spindlewake.7z", "LZMA=" + archive);
    TestHome home(config, shippedFile("controls.cfg"));
    RunningProgram program;
    EXPECT_EQ(program.waitForExit(EndSeconds), 1);
    // One line, and nothing the sound library says about a device left open at exit.
    EXPECT_EQ(program.standardError(),
        FatalPrefix + "Failed to install python OGRE resource loader. The entry 'scripts/game/OgreLoader.py' of '"
            + archive + "' (LZMA) could not be read.\n");
    EXPECT_NE(home.readEngineLog().find("Average FPS: "), std::string::npos) << "the graphics module was shut down";
    EXPECT_EQ(home.readEngineConfig(), config);
}

TEST(DamagedArchive, ADamagedEntryOfAStoredArchiveIsNamedWithItsArchive)
{
    // The game's archive repacked as a player may: stored and not solid, so every entry's bytes lie
    // in the file as they are, and only the damaged entry fails its check.
    TempDir media;
    const std::string unpacked = media.file("unpacked");
    const std::string archive = media.file("spindlewake.7z");
    const std::string repack = "cd '" + media.path() + "' && 7z x -bd -y -bso0 -o'" + unpacked + "' '" + TOLVA_TREE_DIR
        + "/media/spindlewake.7z' && cd '" + unpacked + "' && 7z a -t7z -mx=0 -ms=off -bd -y -bso0 '" + archive + "' .";
    ASSERT_EQ(std::system(repack.c_str()), 0) << repack;
    const std::string entry = "scripts/level/Level.py";
    std::string damaged = readFile(archive);
    const std::string::size_type at = damaged.find(readFile(unpacked + "/" + entry).substr(0, 200));
    ASSERT_NE(at, std::string::npos);
    for (std::size_t i = at + 100; i < at + 108; ++i) {
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    }
    media.write("spindlewake.7z", damaged);
    const std::string config = replaced(shippedFile("engine.cfg"), "LZMA=../media/spindlewake.7z", "LZMA=" + archive);
    TestHome home(config, shippedFile("controls.cfg"));
    RunningProgram program;
    EXPECT_EQ(program.waitForExit(EndSeconds), 1);
    const std::string error = program.standardError();
    EXPECT_EQ(error.rfind(FatalPrefix, 0), 0u) << error;
    EXPECT_NE(error.find("The entry '" + entry + "' of '" + archive + "' (LZMA) could not be read.\n"), std::string::npos)
        << error;
    EXPECT_EQ(home.readEngineConfig(), config);
}

TEST(ResourceLocation, OneThatIsNoArchiveFileOrNoFolderIsNamedAndRefused)
{
    struct Row {
        const char* what;
        const char* type;
        bool pipe; ///< a named pipe, else a plain file
        std::string reason;
    };
    const std::vector<Row> rows = {
        {"archive that is a named pipe", "LZMA", true, " is not a valid LZMA archive."},
        {"folder that is a named pipe", "FileSystem", true, " is not a folder."},
        {"folder that is a file", "FileSystem", false, " is not a folder."},
    };
    for (const Row& row : rows) {
        TempDir media;
        const std::string location = media.file("location");
        if (row.pipe) {
            ASSERT_EQ(mkfifo(location.c_str(), 0600), 0);
        } else {
            media.write("location", "a file\n");
        }
        const std::string config = replaced(
            shippedFile("engine.cfg"), "[Resources]\n", "[Resources]\n" + std::string(row.type) + "=" + location + "\n");
        TestHome home(config, shippedFile("controls.cfg"));
        RunningProgram program;
        // A start that waits on the pipe would not end, not even with a signal.
        if (!program.waitForText(program.errorFile(), FatalPrefix, 10.0)) {
            program.sendSignal(SIGTERM);
        }
        EXPECT_EQ(program.waitForExit(EndSeconds), 1) << row.what;
        EXPECT_EQ(program.standardError(),
            FatalPrefix + "Failed to open resource location " + location + " (" + row.type + "): " + location + row.reason
                + "\n")
            << row.what;
        EXPECT_EQ(home.readEngineConfig(), config) << row.what;
    }
}

TEST(StopSignal, ShutsTheProgramDownInOrderAndWritesTheConfigurationBack)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        TestHome home;
        // Written back from the engine's own settings, the file loses this comment.
        const std::string config = "# placed by the test\n" + shippedFile("engine.cfg");
        home.writeEngineConfig(config);
        EXPECT_EQ(runUntilSignal(home, signal), 0) << strsignal(signal);
        const std::string written = home.readEngineConfig();
        EXPECT_EQ(written.find("# placed by the test"), std::string::npos) << strsignal(signal);
        EXPECT_NE(written.find("[Resources]"), std::string::npos) << strsignal(signal);
        EXPECT_NE(home.readEngineLog().find("Uninstalling plugin: LZMA"), std::string::npos) << strsignal(signal);
    }
}

TEST(DamagedConfiguration, EngineFileEndsTheStartWithAFatalMessageAndStaysAsItWas)
{
    const std::string shipped = shippedFile("engine.cfg");
    const std::string plugins = "Failed to load engine plugins. ";
    struct Damage {
        const char* name;
        std::string content;
        std::string message; ///< the start of the fatal message
        bool namesTheFile;
    };
    const std::vector<Damage> damages = {
        {"cut short", shipped.substr(0, shipped.find("PluginFolder=") + 5), plugins + "There is no 'PluginFolder'", true},
        {"cut in a value", shipped.substr(0, shipped.find("RenderSystem_GL") + 10),
            plugins + "Could not load plug-in '../lib/plugins/RenderSyst' (RenderPlugin", true},
        {"not text", std::string("\x89\x03\xfe[\x7f]\n\xc3=\xff\x01", 11),
            plugins + "There is no section [Plugins Linux]", true},
        {"not text, with a NUL byte", std::string("\x89\x03\xfe[\x7f]\n\xc3=\xff\x01", 12),
            "Failed to load engine configuration file. Failed to open configuration file: Line 2 ", true},
        {"emptied", "", plugins + "There is no section [Plugins Linux]", true},
        {"section bracket lost", replaced(shipped, "[Resources]", "[Resources"), "Failed to load resource configurations.",
            false},
        {"NUL byte", replaced(shipped, "[OpenGL]", std::string("[Open\0GL]", 9)),
            "Failed to load engine configuration file. Failed to open configuration file: Line ", true},
    };
    for (const Damage& damage : damages) {
        TestHome home(damage.content, shippedFile("controls.cfg"));
        RunningProgram program;
        EXPECT_EQ(program.waitForExit(EndSeconds), 1) << damage.name;
        // One line: the reason is part of it, not a line of its own.
        const std::string error = program.standardError();
        EXPECT_EQ(error.rfind(FatalPrefix + damage.message, 0), 0u) << damage.name << ": " << error;
        EXPECT_EQ(error.find('\n'), error.size() - 1) << damage.name << ": " << error;
        EXPECT_EQ(error.find("'" + home.dataFile("engine.cfg") + "'") != std::string::npos, damage.namesTheFile)
            << damage.name << ": " << error;
        EXPECT_EQ(home.readEngineConfig(), damage.content) << damage.name;
    }
}

TEST(DamagedConfiguration, AWorldSettingTheCameraCannotTakeEndsTheStartNamingIt)
{
    struct Setting {
        const char* section;
        const char* line;
        std::string named; ///< the setting the message names
    };
    const std::vector<Setting> settings = {
        {"View", "FOVy=180", "[View] FOVy=180"},
        {"View", "FOVy=1e30", "[View] FOVy=1e30"},
        {"View", "FOVy=0", "[View] FOVy=0"},
        {"View", "NearZ=-1", "[View] NearZ=-1"},
        {"View", "NearZ=1e30\nFarZ=0", "[View] NearZ=1e30"},
        {"View", "FarZ=0.5", "[View] FarZ=0.5"},
        {"View", "NearZ=1000", "[View] FarZ=600 (the default)"},
        {"View", "Aspect=0", "[View] Aspect=0"},
        // Too small for the view's depth (which the level's shadows make endless).
        {"View", "NearZ=1e-35", "[View] NearZ=1e-35, FarZ=600 (the default)"},
        {"View", "NearZ=1e-38\nFarZ=1000", "[View] NearZ=1e-38, FarZ=1000"},
        // The camera's collision sphere would reach the near plane's corners beyond 1e15.
        {"View", "NearZ=1e15\nFarZ=0", "[View] NearZ=1e15, FOVy=45 (the default), Aspect=1.33333 (the default)"},
        {"View", "NearZ=1e14\nFarZ=0\nFOVy=179", "[View] NearZ=1e14, FOVy=179, Aspect=1.33333 (the default)"},
    };
    for (const Setting& setting : settings) {
        const std::string config = shippedFile("engine.cfg") + "[" + setting.section + "]\n" + setting.line + "\n";
        TestHome home(config, shippedFile("controls.cfg"));
        RunningProgram program;
        EXPECT_EQ(program.waitForExit(EndSeconds), 1) << setting.line;
        const std::string error = program.standardError();
        EXPECT_EQ(error.rfind(FatalPrefix + "Failed to load world configurations. " + setting.named + " in '"
                      + home.dataFile("engine.cfg") + "': ",
                      0),
            0u)
            << error;
        EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
        EXPECT_EQ(home.readEngineConfig(), config) << setting.line;
    }
}

TEST(DamagedConfiguration, NearClipDistancesAtTheEdgesOfTheCheckStillPlay)
{
    for (const char* view : {"NearZ=1e-30", "NearZ=1e7\nFarZ=0"}) {
        const std::string config = shippedFile("engine.cfg") + "[View]\n" + view + "\n";
        TestHome home(config, shippedFile("controls.cfg"));
        RunningProgram program;
        // The level's frames go by: a view the scene cannot bound ends the program in the first.
        EXPECT_TRUE(program.waitForText(home.dataFile("engine.log"), "Level: built", StartSeconds))
            << view << ": " << program.standardError();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        program.sendSignal(SIGTERM);
        EXPECT_EQ(program.waitForExit(EndSeconds), 0) << view << ": " << program.standardError();
        EXPECT_EQ(program.standardError().find(FatalPrefix), std::string::npos) << program.standardError();
    }
}

TEST(DataDirectory, AHomeFolderWithCommasInItsPathStartsTheGame)
{
    for (const char* folder : {"a,b", "x,true"}) {
        TempDir parent;
        const std::string home = parent.path() + "/" + folder;
        fs::create_directories(home);
        RunningProgram program({{"HOME", home}});
        EXPECT_TRUE(program.waitForText(home + "/.spindlewake/engine.log", EngineBuilt, StartSeconds))
            << folder << ": " << program.standardError();
        program.sendSignal(SIGTERM);
        EXPECT_EQ(program.waitForExit(EndSeconds), 0) << folder << ": " << program.standardError();
        EXPECT_EQ(program.standardError().find(FatalPrefix), std::string::npos) << program.standardError();
    }
}

TEST(DamagedConfiguration, ControlsFileLeavesTheGameRunning)
{
    const std::string shipped = shippedFile("controls.cfg");
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"cut short", shipped.substr(0, shipped.size() / 2)},
        {"not a pickle", "Forward = W\n"},
        {"emptied", ""},
    };
    for (const auto& [damage, content] : damages) {
        TestHome home(shippedFile("engine.cfg"), content);
        EXPECT_EQ(runUntilSignal(home, SIGTERM), 0) << damage;
        EXPECT_NE(home.readEngineConfig().find("[Resources]"), std::string::npos) << damage;
    }
}
