// The control registry's file "controls.cfg": what is written reads back, how a file is merged
// into a registry, files of the older program, damaged files, a failed write, and a binding made
// while the program runs surviving the next start of the program.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <boost/python.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Application.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "scripting/Python.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "support/TestGame.h"
#include "support/TestHome.h"
#include "tests/input/ControlTestSupport.h"

namespace bp = boost::python;

namespace tolva::test {
namespace {

char gProgramName[] = "spindlewake";
char* gArgv[] = {gProgramName, nullptr};

const char* const ReadWarning = "Warning: Failed to read controls configuration: ";
const char* const BadIndexWarning
    = "Warning: Control configuration contains bindings to non-registered command. Ignored.";

const Modifier Base;

/// Every binding of the registry as "layer-size:type/value=name" lines, in layer and control order.
std::vector<std::string> describe(const GameControlRegistry& registry)
{
    std::vector<std::string> lines;
    for (const Modifier& modifier : registry.getModifiers()) {
        for (const auto& binding : registry.getBindings(modifier)) {
            lines.push_back(std::to_string(modifier.getControls().size()) + ":"
                + std::to_string(binding.first.getType()) + "/" + std::to_string(binding.first.getValue()) + "="
                + binding.second->name);
        }
    }
    return lines;
}

std::vector<std::string> commandNames(const GameControlRegistry& registry)
{
    std::vector<std::string> names;
    for (const Command& command : registry.getCommands()) {
        names.push_back(command.name + (command.repeat ? "+" : ""));
    }
    return names;
}

class ControlsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineOptions options = coreOptions();
        options.scripting = true;
        mEngine = std::make_unique<Engine>(1, gArgv, options);
        mEngine->initialise();
        mPython = mEngine->getScripting();
        mLog = std::make_unique<LogCapture>();
    }

    void TearDown() override
    {
        PyErr_Clear();
        mLog.reset();
        mEngine->shutdown();
        mEngine.reset();
    }

    /// Writes the pickle (protocol 2) of a Python expression as the controls file.
    void writeFile(const std::string& expression)
    {
        mPython->executeStatement(
            "import pickle\nopen('" + mPath + "', 'wb').write(pickle.dumps(" + expression + ", 2))\n");
    }

    TestHome mHome{TestHome::minimalEngineConfig(), ""};
    TempDir mFiles;
    std::string mPath = mFiles.file("controls.cfg");
    std::unique_ptr<Engine> mEngine;
    Python* mPython = nullptr;
    std::unique_ptr<LogCapture> mLog;
};

TEST_F(ControlsFile, WhatIsWrittenReadsBackIntoARegistryWithTheSameCommands)
{
    const Modifier shift = modifierOf({key(OIS::KC_LSHIFT)});
    const Modifier shiftAlt = modifierOf({key(OIS::KC_LSHIFT), button(OIS::MB_Right)});
    RecordingHandler handler;
    auto registerCommands = [](GameControlRegistry& registry) {
        registry.addCommand(Command("Forward", "Movement", true));
        registry.addCommand(Command("Jump", "Movement"));
        registry.addCommand(Command("Look", "Camera"));
    };
    {
        GameControlRegistry written(mPath);
        registerCommands(written);
        written.addModifier(shift);
        written.addModifier(shiftAlt);
        written.bind(Base, key(OIS::KC_W), Command("Forward", "Movement"));
        written.bind(Base, button(OIS::MB_Left), Command("Jump", "Movement"));
        written.bind(Base, axisX(-5), Command("Look", "Camera"));
        written.bind(shift, key(OIS::KC_SPACE), Command("Jump", "Movement"));
        written.bind(shiftAlt, axisZ(3), Command("Look", "Camera"));
        written.setHandler(Command("Jump", "Movement"), &handler);
        written.setCommandEnabled(Command("Look", "Camera"), false);
        written.shutdown();
    }
    GameControlRegistry read(mPath);
    registerCommands(read);
    read.initialise();
    EXPECT_EQ(std::vector<std::string>({"0:1/17=Forward", "0:2/0=Jump", "0:4/-5=Look", "1:1/57=Jump", "2:16/3=Look"}),
        describe(read));
    EXPECT_EQ(std::vector<std::string>({"Forward+", "Jump", "Look"}), commandNames(read));
    // Handlers and enabled flags are not kept.
    EXPECT_EQ(nullptr, read.getCommands().back().handler);
    EXPECT_TRUE(read.isCommandEnabled(Command("Look", "Camera")));
    EXPECT_TRUE(mLog->getLines().empty());
}

TEST_F(ControlsFile, TheFileIsThePickleThatPythonItselfWrites)
{
    GameControlRegistry registry(mPath);
    registry.addCommand(Command("Forward", "Movement", true));
    registry.bind(Base, key(17), Command("Forward", "Movement"));
    registry.shutdown();
    mPython->executeStatement("import pickle\nexpected__ = pickle.dumps(((('Forward', 'Movement', True),),"
                              " (0, (), (((1, 17), 0),))), 2)\n");
    EXPECT_EQ(bp::extract<std::string>(mPython->getGlobal("expected__"))(), readFile(mPath));
}

TEST_F(ControlsFile, AFileIsMergedIntoTheRegistryAsItsEdgeCasesSay)
{
    struct Row {
        const char* what;
        std::vector<Command> registered;
        std::string file;
        std::vector<std::string> commands;
        std::vector<std::string> bindings;
        int badIndexWarnings;
    };
    const Command forward("Forward", "Movement", true);
    const Command jump("Jump", "Movement");
    const std::string both = "(('Forward', 'Movement', True), ('Jump', 'Movement', False))";
    // Before reading, Forward (when registered) is bound to 17 in the base layer and to 57 in the
    // layer of left shift (42), which no file below lists.
    const std::vector<Row> rows = {
        {"a command the game does not register is registered without handler", {forward},
            "(" + both + ", (0, (), (((1, 57), 1),)))", {"Forward+", "Jump"}, {"0:1/57=Jump", "1:1/57=Forward"}, 0},
        {"a custom layer without controls is the base layer, emptied first", {forward},
            "(" + both + ", (1, (), (((1, 57), 1),)))", {"Forward+", "Jump"}, {"0:1/57=Jump", "1:1/57=Forward"}, 0},
        {"a layer of axis controls only is the base layer", {forward},
            "(" + both + ", (1, ((4, 3),), (((1, 57), 1),)))", {"Forward+", "Jump"}, {"0:1/57=Jump", "1:1/57=Forward"},
            0},
        {"index -1 and an index past the commands are skipped", {forward, jump},
            "(" + both + ", (0, (), (((1, 1), -1), ((1, 2), 2), ((1, 3), 0))))", {"Forward+", "Jump"},
            {"0:1/3=Forward", "1:1/57=Forward"}, 2},
        {"the later of two bindings of one control stays; one command keeps two controls", {forward, jump},
            "(" + both + ", (0, (), (((1, 5), 0), ((1, 5), 1), ((1, 6), 1))))", {"Forward+", "Jump"},
            {"0:1/5=Jump", "0:1/6=Jump", "1:1/57=Forward"}, 0},
        {"a file of commands only leaves every layer as it was", {forward}, "(" + both + ",)", {"Forward+", "Jump"},
            {"0:1/17=Forward", "1:1/57=Forward"}, 0},
        {"a binding keeps its command when the game registers its commands in another order", {jump, forward},
            "(" + both + ", (0, (), (((1, 17), 0),)), (1, ((1, 42),), (((1, 57), 1),)))", {"Jump", "Forward+"},
            {"0:1/17=Forward", "1:1/57=Jump"}, 0},
        {"a layer the file names is made", {forward, jump}, "(" + both + ", (1, ((2, 1), (1, 29)), (((1, 57), 1),)))",
            {"Forward+", "Jump"}, {"0:1/17=Forward", "2:1/57=Jump", "1:1/57=Forward"}, 0},
        {"without commands in the file an index counts in the registry", {forward, jump},
            "((), (0, (), (((1, 9), 1),)))", {"Forward+", "Jump"}, {"0:1/9=Jump", "1:1/57=Forward"}, 0},
    };
    for (const Row& row : rows) {
        GameControlRegistry registry(mPath);
        for (const Command& command : row.registered) {
            registry.addCommand(command);
        }
        registry.addModifier(modifierOf({key(OIS::KC_LSHIFT)}));
        if (registry.isCommandPresent(forward)) {
            registry.bind(Base, key(17), forward);
            registry.bind(modifierOf({key(OIS::KC_LSHIFT)}), key(57), forward);
        }
        writeFile(row.file);
        mLog->clear();
        registry.initialise();
        EXPECT_EQ(row.commands, commandNames(registry)) << row.what;
        EXPECT_EQ(row.bindings, describe(registry)) << row.what;
        EXPECT_EQ(row.badIndexWarnings, mLog->count(BadIndexWarning)) << row.what;
    }
}

TEST_F(ControlsFile, ADamagedFileIsWarnedAboutAndTheRegistryKeepsWhatItHad)
{
    const std::string marker = mFiles.file("ran");
    struct Row {
        const char* what;
        std::string bytes;
    };
    mPython->executeStatement("import pickle\n"
                              "good__ = pickle.dumps(((('Jump', 'Movement', False),), (0, (), (((1, 57), 0),))), 2)\n"
                              "class Call__:\n"
                              "    def __reduce__(self):\n"
                              "        import os\n"
                              "        return os.system, ('touch "
        + marker
        + "',)\n"
          "code__ = pickle.dumps((Call__(),), 2)\n");
    const std::string good = bp::extract<std::string>(mPython->getGlobal("good__"));
    const std::string code = bp::extract<std::string>(mPython->getGlobal("code__"));
    auto pickled = [this](const std::string& expression) {
        mPython->executeStatement("import pickle\nbytes__ = pickle.dumps(" + expression + ", 2)\n");
        return std::string(bp::extract<std::string>(mPython->getGlobal("bytes__")));
    };
    const std::vector<Row> rows = {
        {"a truncated file", good.substr(0, good.size() - 9)},
        {"no pickle at all", "[Bindings]\nJump=Space\n"},
        {"a list, not a tuple", pickled("[(), (0, (), ())]")},
        {"commands that are not a tuple", pickled("(1, (0, (), ()))")},
        {"a layer that is not a tuple", pickled("((), 7)")},
        {"a layer too short", pickled("((), (0, ()))")},
        {"a command name that is a number", pickled("(((1, 'Movement', True),),)")},
        {"a binding index that is text", pickled("((), (0, (), (((1, 2), 'one'),)))")},
        {"a pickle that would run a command", code},
        {"a control value beyond 32 bits", pickled("((), (0, (), (((1, 2**40), 0),)))")},
        {"a control type beyond 32 bits", pickled("((), (0, (), (((-2**40, 1), 0),)))")},
        {"a modifier type beyond 32 bits", pickled("((), (2**40, (), ()))")},
        {"a modifier control beyond 64 bits", pickled("((), (1, ((1, 2**70),), ()))")},
        {"a binding index beyond 64 bits", pickled("((), (0, (), (((1, 2), 2**70),)))")},
    };
    for (const Row& row : rows) {
        GameControlRegistry registry(mPath);
        registry.addCommand(Command("Forward", "Movement", true));
        registry.bind(Base, key(17), Command("Forward", "Movement"));
        std::ofstream(mPath, std::ios::binary) << row.bytes;
        mLog->clear();
        EXPECT_NO_THROW(registry.initialise()) << row.what;
        int warnings = 0;
        for (const std::string& line : mLog->getLines()) {
            if (line.rfind(ReadWarning, 0) == 0) {
                ++warnings;
                EXPECT_NE(std::string::npos, line.find("'" + mPath + "' is kept as '" + mPath + ".damaged'"))
                    << row.what << ": " << line;
            }
        }
        EXPECT_EQ(1, warnings) << row.what;
        EXPECT_EQ(row.bytes, readFile(mPath + ".damaged")) << row.what;
        std::filesystem::remove(mPath + ".damaged");
        EXPECT_EQ(std::vector<std::string>({"0:1/17=Forward"}), describe(registry)) << row.what;
        EXPECT_EQ(std::vector<std::string>({"Forward+"}), commandNames(registry)) << row.what;
        EXPECT_FALSE(std::filesystem::exists(marker)) << row.what;
        EXPECT_EQ(nullptr, PyErr_Occurred()) << row.what;
    }
}

TEST_F(ControlsFile, AnUnreadableFileIsCopiedAsideBeforeShutdownWritesOverIt)
{
    // Each row damages the file anew and runs one registry from initialise to shutdown; the
    // copies of earlier runs stay as they were.
    struct Row {
        const char* what;
        std::string bytes;
        int existingCopies; // taken before the run: ".damaged", ".damaged.2", ...
        std::string copy;   // empty: no copy can be made and the file must stay
    };
    const std::vector<Row> rows = {
        {"the first damage", "Jump=Space\n", 0, mPath + ".damaged"},
        {"a second damage", "Jump=Enter\n", 1, mPath + ".damaged.2"},
        {"every copy name taken", "Jump=Tab\n", 100, ""},
    };
    for (const Row& row : rows) {
        for (int n = 1; n <= 100; ++n) {
            std::filesystem::remove(mPath + ".damaged" + (n == 1 ? "" : "." + std::to_string(n)));
        }
        for (int n = 1; n <= row.existingCopies; ++n) {
            std::ofstream(mPath + ".damaged" + (n == 1 ? "" : "." + std::to_string(n))) << "older copy";
        }
        std::ofstream(mPath, std::ios::binary) << row.bytes;
        mLog->clear();
        {
            GameControlRegistry registry(mPath);
            registry.addCommand(Command("Jump", "Movement"));
            registry.bind(Base, key(57), Command("Jump", "Movement"));
            registry.initialise();
            registry.shutdown();
        }
        std::vector<std::string> warnings;
        for (const std::string& line : mLog->getLines()) {
            if (line.rfind("Warning: ", 0) == 0) {
                warnings.push_back(line);
            }
        }
        ASSERT_EQ(1u, warnings.size()) << row.what;
        const std::string& warning = warnings.front();
        EXPECT_EQ(0u, warning.rfind(ReadWarning, 0)) << row.what;
        if (row.copy.empty()) {
            EXPECT_NE(std::string::npos, warning.find("'" + mPath + "' could not be copied aside")) << warning;
            EXPECT_EQ(row.bytes, readFile(mPath)) << row.what;
            continue;
        }
        EXPECT_NE(std::string::npos, warning.find("is kept as '" + row.copy + "'")) << warning;
        EXPECT_EQ(row.bytes, readFile(row.copy)) << row.what;
        if (row.existingCopies > 0) {
            EXPECT_EQ("older copy", readFile(mPath + ".damaged")) << row.what;
        }
        // What shutdown wrote reads back without a warning.
        GameControlRegistry again(mPath);
        mLog->clear();
        again.initialise();
        EXPECT_EQ(std::vector<std::string>({"0:1/57=Jump"}), describe(again)) << row.what;
        EXPECT_TRUE(mLog->getLines().empty()) << row.what;
    }
}

TEST_F(ControlsFile, AHugeFileLogsItsFirstTenWarningsAndCountsTheRest)
{
    // 3,000 warnings: bindings to commands that do not exist, and axis controls in modifiers.
    writeFile("((), (1, tuple((4, 1) for _ in range(1500)), tuple(((1, k), 99) for k in range(1500))))");
    GameControlRegistry registry(mPath);
    mLog->clear();
    registry.initialise();
    const std::vector<std::string>& lines = mLog->getLines();
    ASSERT_EQ(11u, lines.size());
    EXPECT_EQ(10, std::count_if(lines.begin(), lines.end() - 1, [](const std::string& line) {
        return line == BadIndexWarning || line == "Warning: Attempt to add mouse-axis control as a modifier control.";
    }));
    EXPECT_EQ("Warning: 2990 more warnings about the controls file '" + mPath + "' were left out.", lines.back());
}

TEST_F(ControlsFile, AFileOfTheOlderProgramReadsAndItsNamesAreWrittenBackAsTheyWere)
{
    // Written by hand from the pickle opcodes, as the older program's interpreter wrote them:
    // protocol 2, names as byte strings (SHORT_BINSTRING), one of them Latin-1. Forward repeats
    // and is bound to key 17 in the base layer; Vorwärts to key 30 in the layer of left shift.
    const char bytes[] = "\x80\x02("
                         "((U\x07"
                         "ForwardU\x08"
                         "Movement\x88tq\x00"
                         "(U\x08"
                         "Vorw\xe4rtsU\x08"
                         "Movement\x89tq\x01t"
                         "K\x00)(K\x01K\x11\x86K\x00\x86t\x87"
                         "K\x01K\x01K*\x86\x85K\x01K\x1e\x86K\x01\x86\x85\x87"
                         "t.";
    std::ofstream(mPath, std::ios::binary) << std::string(bytes, sizeof(bytes) - 1);
    const std::vector<std::string> expected = {"0:1/17=Forward", "1:1/30=Vorw\xe4rts"};
    {
        GameControlRegistry registry(mPath);
        registry.addCommand(Command("Forward", "Movement", true));
        registry.initialise();
        EXPECT_EQ(expected, describe(registry));
        EXPECT_EQ(std::vector<std::string>({"Forward+", "Vorw\xe4rts"}), commandNames(registry));
        registry.shutdown();
    }
    EXPECT_TRUE(mLog->getLines().empty()) << mLog->getLines().front();
    GameControlRegistry again(mPath);
    again.initialise();
    EXPECT_EQ(expected, describe(again));
}

TEST_F(ControlsFile, AFailedWriteLeavesTheOldFileAsItWas)
{
    std::ofstream(mPath, std::ios::binary) << "the bindings of yesterday";
    GameControlRegistry registry(mPath);
    registry.addCommand(Command("Forward", "Movement", true));
    // The file size limit makes the write run out of room part way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    registry.shutdown();
    setrlimit(RLIMIT_FSIZE, &saved);
    const std::vector<std::string>& lines = mLog->getLines();
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Warning: Failed to save control bindings to file.", 0) == 0;
    }));
    EXPECT_EQ("the bindings of yesterday", readFile(mPath));
}

/// A game that keeps a control registry on "controls.cfg" in the data directory, as the real
/// game does, and runs one frame.
class ControlsGame : public TestGame {
public:
    explicit ControlsGame(std::function<void(GameControlRegistry&)> atFrame)
        : TestGame(1)
        , mAtFrame(std::move(atFrame))
    {
    }
    ~ControlsGame() override { delete getControlRegistry(); }

    void initialise() override
    {
        TestGame::initialise();
        setControlRegistry(new GameControlRegistry(Engine::getInstance()->getDataDirectory() + "/controls.cfg"));
        getControlRegistry()->addCommand(Command("Forward", "Movement", true));
        getControlRegistry()->addCommand(Command("Jump", "Movement"));
        getControlRegistry()->initialise();
        onFrame = [this](TestGame&, unsigned int) { mAtFrame(*getControlRegistry()); };
    }
    void shutdown() override
    {
        TestGame::shutdown();
        getControlRegistry()->shutdown();
    }

private:
    std::function<void(GameControlRegistry&)> mAtFrame;
};

TEST(ControlsFileAcrossRuns, ABindingMadeWhileThePlayRunsIsThereAtTheNextStart)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    // An empty commands tuple and no layers.
    home.writeDataFile("controls.cfg", std::string("\x80\x02)\x85.", 5));
    auto run = [](std::function<void(GameControlRegistry&)> atFrame) {
        EngineOptions options = coreOptions([atFrame] { return new ControlsGame(atFrame); });
        options.scripting = true;
        return Application(1, gArgv, options).run();
    };
    EXPECT_EQ(0, run([](GameControlRegistry& registry) {
        registry.bind(Base, key(OIS::KC_SPACE), Command("Jump", "Movement"));
    }));
    std::vector<std::string> seen;
    EXPECT_EQ(0, run([&seen](GameControlRegistry& registry) { seen = describe(registry); }));
    EXPECT_EQ(std::vector<std::string>({"0:1/57=Jump"}), seen);
}

TEST(ControlsFileAcrossRuns, AFileWithANumberBeyond32BitsStartsTheGameWithTheDefaultBindingsAndIsKept)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    // ((), (0, (), (((1, 2**40), 0),))) in protocol 2: the key's value is a LONG1 of six bytes.
    const std::string damaged("\x80\x02)K\x00)K\x01\x8a\x06\x00\x00\x00\x00\x00\x01\x86K\x00\x86\x85\x87\x86.", 24);
    home.writeDataFile("controls.cfg", damaged);
    auto run = [](std::function<void(GameControlRegistry&)> atFrame) {
        EngineOptions options = coreOptions([atFrame] { return new ControlsGame(atFrame); });
        options.scripting = true;
        return Application(1, gArgv, options).run();
    };
    std::vector<std::string> seen;
    EXPECT_EQ(0, run([&seen](GameControlRegistry& registry) { seen = describe(registry); }));
    EXPECT_TRUE(seen.empty());
    const std::string file = home.dataFile("controls.cfg");
    EXPECT_NE(std::string::npos,
        home.readEngineLog().find(std::string(ReadWarning) + "'" + file + "' is kept as '" + file + ".damaged'"))
        << home.readEngineLog();
    EXPECT_EQ(damaged, readFile(file + ".damaged"));
    EXPECT_NE(damaged, readFile(file));
    EXPECT_EQ(0, run([](GameControlRegistry&) {}));
    const std::string log = home.readEngineLog();
    EXPECT_EQ(std::string::npos, log.find(ReadWarning, log.find(ReadWarning) + 1)) << "the next start reads the file";
}

} // namespace
} // namespace tolva::test
