// Pickled tuple files: round trips of the shapes the engine keeps ("controls.cfg", gravity maps),
// files written by the old program, and every way a file can be bad.
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "scripting/Python.h"
#include "support/TempDir.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <OgreException.h>

#include <boost/python.hpp>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace bp = boost::python;

namespace {

char gProgramName[] = "spindlewake";
char* gArgv[] = {gProgramName, nullptr};

// Written by hand from the pickle opcodes, as the old program's interpreter wrote them: byte
// strings (SHORT_BINSTRING), one of them Latin-1, in protocol 2. The registry of that program
// held Forward (repeating) and Vorwärts in Movement, Forward bound to key 17 in the base layer.
const char OLD_CONTROLS_BYTES[] = "\x80\x02"
                                  "U\x07"
                                  "Forward"
                                  "U\x08"
                                  "Movement"
                                  "\x88\x87"
                                  "U\x08"
                                  "Vorw\xe4rts"
                                  "U\x08"
                                  "Movement"
                                  "\x89\x87"
                                  "\x86"
                                  "K\x00"
                                  ")"
                                  "K\x01"
                                  "K\x11"
                                  "\x86"
                                  "K\x00"
                                  "\x86"
                                  "\x85"
                                  "\x87"
                                  "\x86"
                                  ".";
const std::string OLD_CONTROLS(OLD_CONTROLS_BYTES, sizeof(OLD_CONTROLS_BYTES) - 1);

// A gravity map of the old program in protocol 0: position, orientation, (cell size, cell
// counts) and the cell vectors indexed [x][y][z].
const std::string OLD_GRAVITY_MAP = "((F0.0\nF1.0\nF2.0\nt(F1.0\nF0.0\nF0.0\nF0.0\nt(F2.5\nI1\nI1\nI2\nt"
                                    "((((F0.0\nF-9.81\nF0.0\nt(F0.0\nF-9.81\nF0.0\nttttt.";

class PickleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tolva::EngineOptions options = tolva::test::coreOptions();
        options.scripting = true;
        mEngine = std::make_unique<tolva::Engine>(1, gArgv, options);
        mEngine->initialise();
        mPython = mEngine->getScripting();
    }

    void TearDown() override
    {
        PyErr_Clear();
        mEngine->shutdown();
        mEngine.reset();
    }

    bp::tuple makeTuple(const std::string& expression)
    {
        mPython->executeStatement("value__ = " + expression + "\n");
        return bp::tuple(mPython->getGlobal("value__"));
    }

    std::string repr(const bp::object& value)
    {
        return bp::extract<std::string>(bp::object(bp::handle<>(PyObject_Repr(value.ptr()))))();
    }

    std::string unpickleError(const std::string& path)
    {
        try {
            mPython->unpickleObject<bp::tuple>(path);
        } catch (const tolva::ScriptingException& exception) {
            return exception.what();
        }
        return "no ScriptingException";
    }

    tolva::test::TestHome mHome{tolva::test::TestHome::minimalEngineConfig(), ""};
    tolva::test::TempDir mFiles;
    std::unique_ptr<tolva::Engine> mEngine;
    tolva::Python* mPython = nullptr;
};

TEST_F(PickleTest, AControlsTupleComesBackEqual)
{
    const bp::tuple controls = makeTuple("((('Forward', 'Movement', True), ('Jump', 'Movement', False)),"
                                         " (0, (), (((1, 17), 0), ((2, 1), 1))),"
                                         " (1, ((1, 42),), (((1, 30), 1),)))");
    const std::string path = mFiles.file("controls.cfg");
    mPython->pickleObject(path, controls);
    const std::string bytes = tolva::test::readFile(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\x80\x02", bytes.substr(0, 2)); // protocol 2
    const bp::tuple read = mPython->unpickleObject<bp::tuple>(path);
    EXPECT_EQ(repr(controls), repr(read));
    EXPECT_TRUE(read == controls);
    EXPECT_EQ("Forward", bp::extract<std::string>(read[0][0][0])());
    EXPECT_FALSE(bp::extract<bool>(read[0][1][2])());
}

TEST_F(PickleTest, AGravityMapTupleWithZeroBytesComesBackWhole)
{
    const bp::tuple map = makeTuple("((0.0, 1.5, -2.0), (1.0, 0.0, 0.0, 0.0), (0.5, 2, 1, 2),"
                                    " ((((0.0, -9.81, 0.0), (0.0, 0.0, 0.0)),), (((1.0, 0.0, 0.0), (0, 0, 0)),)),"
                                    " b'\\x00raw\\x00', '\\x00')");
    const std::string path = mFiles.file("level.gravity");
    mPython->pickleObject(path, map);
    EXPECT_NE(std::string::npos, tolva::test::readFile(path).find(std::string("\0", 1)));
    const bp::tuple read = mPython->unpickleObject<bp::tuple>(path);
    EXPECT_TRUE(read == map) << repr(read);
    EXPECT_EQ(std::string("\0raw\0", 5), bp::extract<std::string>(read[4])());
}

TEST_F(PickleTest, FilesOfTheOldProgramReadBackExactly)
{
    const std::string controlsPath = mFiles.write("old-controls.cfg", OLD_CONTROLS);
    const bp::tuple controls = mPython->unpickleObject<bp::tuple>(controlsPath);
    EXPECT_EQ("(((b'Forward', b'Movement', True), (b'Vorw\\xe4rts', b'Movement', False)), "
              "(0, (), (((1, 17), 0),)))",
        repr(controls));
    // Names come back byte for byte, whatever their encoding was.
    EXPECT_EQ("Forward", bp::extract<std::string>(controls[0][0][0])());
    EXPECT_EQ("Vorw\xe4rts", bp::extract<std::string>(controls[0][1][0])());
    EXPECT_EQ(17, bp::extract<int>(controls[1][2][0][0][1])());

    const std::string mapPath = mFiles.write("old.gravity", OLD_GRAVITY_MAP);
    const bp::tuple map = mPython->unpickleObject<bp::tuple>(mapPath);
    EXPECT_EQ("((0.0, 1.0, 2.0), (1.0, 0.0, 0.0, 0.0), (2.5, 1, 1, 2), "
              "((((0.0, -9.81, 0.0), (0.0, -9.81, 0.0)),),))",
        repr(map));
    EXPECT_FLOAT_EQ(-9.81f, bp::extract<float>(map[3][0][0][1][1])());
}

TEST_F(PickleTest, BadFilesGiveTheUnpickleMessageWithTheErrorPending)
{
    struct Case {
        const char* name;
        std::string content;
        const char* error;
    };
    const std::string valid(OLD_CONTROLS);
    const Case cases[] = {
        {"text.cfg", "this is no pickle at all", "UnpicklingError"},
        {"list.cfg",
            std::string("\x80\x02]q\x00(K\x01K\x02"
                        "e.",
                12),
            "TypeError: the pickled value is a list, not a tuple"},
        {"truncated.cfg", valid.substr(0, valid.size() / 2), "Error"},
        {"empty.cfg", "", "EOFError"},
    };
    for (const Case& bad : cases) {
        const std::string path = mFiles.write(bad.name, bad.content);
        EXPECT_EQ("Failed to unpickle object from file: " + path + ".", unpickleError(path)) << bad.name;
        const std::string text = mPython->getErrorString();
        EXPECT_NE(std::string::npos, text.find(bad.error)) << bad.name << ": " << text;
    }
}

TEST_F(PickleTest, AMissingResourcePassesTheResourceSystemsErrorUnchanged)
{
    EXPECT_THROW(mPython->unpickleObject<bp::tuple>(mFiles.file("absent.cfg")), Ogre::FileNotFoundException);
    EXPECT_EQ(nullptr, PyErr_Occurred());
}

TEST_F(PickleTest, AFailedPickleLeavesTheOldFileAsItWas)
{
    const std::string path = mFiles.write("controls.cfg", "previous bindings");
    const bp::tuple unpicklable = makeTuple("(1, lambda: None)");
    try {
        mPython->pickleObject(path, unpicklable);
        ADD_FAILURE() << "pickling a function succeeded";
    } catch (const tolva::ScriptingException& exception) {
        EXPECT_EQ("Failed to pickle object to file: " + path + ".", std::string(exception.what()));
    }
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("PicklingError"));
    EXPECT_EQ("previous bindings", tolva::test::readFile(path));
    // Nothing but the old file is left in its folder.
    EXPECT_EQ(
        1, std::distance(std::filesystem::directory_iterator(mFiles.path()), std::filesystem::directory_iterator()));

    const std::string unreachable = mFiles.file("no-such-folder/controls.cfg");
    try {
        mPython->pickleObject(unreachable, makeTuple("(1, 2)"));
        ADD_FAILURE() << "pickling into a missing folder succeeded";
    } catch (const tolva::ScriptingException& exception) {
        EXPECT_EQ("Failed to pickle object to file: " + unreachable + ".", std::string(exception.what()));
    }
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("FileNotFoundError"));
}

TEST_F(PickleTest, PicklingThroughASymbolicLinkRewritesTheLinkedFileAndKeepsItsMode)
{
    namespace fs = std::filesystem;
    const std::string linked = mFiles.write("elsewhere/controls.cfg", "previous bindings");
    fs::permissions(linked, fs::perms::owner_read | fs::perms::owner_write);
    const std::string link = mFiles.file("controls.cfg");
    fs::create_symlink(linked, link);

    mPython->pickleObject(link, makeTuple("('bound',)"));

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(linked).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ("('bound',)", repr(mPython->unpickleObject<bp::tuple>(link)));
}

TEST_F(PickleTest, ARelativeNameIsRelativeToTheWorkingDirectory)
{
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir(mFiles.path().c_str()));
    mPython->pickleObject("relative.cfg", makeTuple("('here',)"));
    ASSERT_EQ(0, chdir(previous));
    std::free(previous);
    EXPECT_EQ("('here',)", repr(mPython->unpickleObject<bp::tuple>(mFiles.file("relative.cfg"))));
}

} // namespace
