#include "core/ConfigFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using tolva::ConfigFile;
using Resolution = std::pair<unsigned int, unsigned int>;

// Runs the call and returns the message of the exception of type E it throws ("" when none).
template <typename E, typename F>
std::string messageOf(F call)
{
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    return std::string();
}

class ConfigFileTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigFile> load(const std::string& content, const std::string& name = "engine.cfg")
    {
        return std::make_unique<ConfigFile>(mDir.write(name, content));
    }

    std::vector<std::pair<std::string, std::string>> entries(const ConfigFile& config, const std::string& section)
    {
        const auto& settings = config.getSectionIterator(section)->second;
        return {settings.begin(), settings.end()};
    }

    tolva::test::TempDir mDir;
};

// ----- parsers, read side

TEST_F(ConfigFileTest, BoolReadsWordsInAnyCaseAndIntegers)
{
    auto config = load("[B]\n"
                       "a =  TRUE  \n"
                       "b = Yes\n"
                       "c = 1\n"
                       "d = -3\n"
                       "e = NO\n"
                       "f = 0\n"
                       "g = false\n");
    for (const char* key : {"a", "b", "c", "d"}) {
        EXPECT_TRUE(boost::any_cast<bool>(config->getValue("B", ConfigFile::PT_BOOL, key))) << key;
    }
    for (const char* key : {"e", "f", "g"}) {
        EXPECT_FALSE(boost::any_cast<bool>(config->getValue("B", ConfigFile::PT_BOOL, key))) << key;
    }
}

TEST_F(ConfigFileTest, BoolRejectsOtherWordsStrictlyAndFallsBackToDefault)
{
    auto config = load("[B]\nmaybe = maybe\nempty =\n");
    const std::string expected = "Bool must either be a string of 'No', 'false', 'Yes', 'true' or an integer.";
    for (const char* key : {"maybe", "empty"}) {
        EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("B", ConfigFile::PT_BOOL, key); }), expected)
            << key;
        EXPECT_TRUE(boost::any_cast<bool>(config->getValueDefault("B", ConfigFile::PT_BOOL, key, true))) << key;
    }
}

TEST_F(ConfigFileTest, NumbersReadAsFarAsTheyGo)
{
    auto config = load("[N]\ni = 7.9\nj = 12abc\nk = -5\nr = 0.25\nbad = abc\n");
    EXPECT_EQ(boost::any_cast<int>(config->getValue("N", ConfigFile::PT_INT, "i")), 7);
    EXPECT_EQ(boost::any_cast<int>(config->getValue("N", ConfigFile::PT_INT, "j")), 12);
    EXPECT_EQ(boost::any_cast<int>(config->getValue("N", ConfigFile::PT_INT, "k")), -5);
    EXPECT_FLOAT_EQ(boost::any_cast<float>(config->getValue("N", ConfigFile::PT_REAL, "r")), 0.25f);
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("N", ConfigFile::PT_INT, "bad"); }),
        "Failed to convert string to atomic type.");
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("N", ConfigFile::PT_REAL, "bad"); }),
        "Failed to convert string to atomic type.");
    EXPECT_EQ(ConfigFile::safeParse<unsigned int>(" 42"), 42u);
    EXPECT_EQ(messageOf<tolva::ParserException>([] { ConfigFile::safeParse<unsigned int>(" -1"); }),
        "Failed to convert string to atomic type.");
}

TEST_F(ConfigFileTest, ResolutionReadsWithOrWithoutBlanks)
{
    auto config = load("[R]\n"
                       "a = 1024x768\n"
                       "b = 1024 x 768\n"
                       "c =  800 x  600\n"
                       "capital = 1024X768\n"
                       "left = x768\n"
                       "right = 1024x\n"
                       "negative = -1x600\n");
    EXPECT_EQ(
        boost::any_cast<Resolution>(config->getValue("R", ConfigFile::PT_RESOLUTION, "a")), Resolution(1024, 768));
    EXPECT_EQ(
        boost::any_cast<Resolution>(config->getValue("R", ConfigFile::PT_RESOLUTION, "b")), Resolution(1024, 768));
    EXPECT_EQ(boost::any_cast<Resolution>(config->getValue("R", ConfigFile::PT_RESOLUTION, "c")), Resolution(800, 600));
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("R", ConfigFile::PT_RESOLUTION, "capital"); }),
        "Resolution string does not contain an 'x' character.");
    // A negative width would otherwise read as a huge unsigned size.
    for (const char* key : {"left", "right", "negative"}) {
        EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("R", ConfigFile::PT_RESOLUTION, key); }),
            "Resolution must have one unsigned integer on either side of an 'x'.")
            << key;
    }
}

TEST_F(ConfigFileTest, ColourTakesThreeOrFourPieces)
{
    auto config = load("[C]\nthree = 1 0.5 0\nfive = 0.1\t0.2 0.3 0.4 9\ntwo = 1 0.5\nbad = 1 x 0\n");
    const auto three = boost::any_cast<Ogre::ColourValue>(config->getValue("C", ConfigFile::PT_COLOUR, "three"));
    EXPECT_EQ(three, Ogre::ColourValue(1.0f, 0.5f, 0.0f, 1.0f));
    const auto five = boost::any_cast<Ogre::ColourValue>(config->getValue("C", ConfigFile::PT_COLOUR, "five"));
    EXPECT_EQ(five, Ogre::ColourValue(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("C", ConfigFile::PT_COLOUR, "two"); }),
        "Colour value must be three or four float elements.");
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("C", ConfigFile::PT_COLOUR, "bad"); }),
        "Failed to convert string to atomic type.");
}

TEST_F(ConfigFileTest, VectorTakesTheFirstThreePieces)
{
    auto config = load("[V]\nfour = 1 2 3 4\ntwo = 1 2\n");
    EXPECT_EQ(
        boost::any_cast<Ogre::Vector3>(config->getValue("V", ConfigFile::PT_VECTOR, "four")), Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(messageOf<tolva::ParserException>([&] { config->getValue("V", ConfigFile::PT_VECTOR, "two"); }),
        "Vector3 value must be three Reals elements.");
}

TEST_F(ConfigFileTest, StringIsTheStoredTextWithKeysContainingBlanks)
{
    auto config = load("Console Enable = Yes\n[S]\nname = a b  c\n");
    EXPECT_EQ(boost::any_cast<std::string>(config->getValue("S", ConfigFile::PT_STRING, "name")), "a b  c");
    EXPECT_TRUE(boost::any_cast<bool>(config->getValue("", ConfigFile::PT_BOOL, "Console Enable")));
}

// ----- parsers, write side

TEST_F(ConfigFileTest, ValuesAreWrittenInTheirTextForms)
{
    auto config = load("");
    config->setValue("W", ConfigFile::PT_BOOL, "yes", boost::any(true));
    config->setValue("W", ConfigFile::PT_BOOL, "no", boost::any(false));
    config->setValue("W", ConfigFile::PT_INT, "int", boost::any(-5));
    config->setValue("W", ConfigFile::PT_REAL, "one", boost::any(1.0f));
    config->setValue("W", ConfigFile::PT_REAL, "half", boost::any(0.5f));
    config->setValue("W", ConfigFile::PT_REAL, "third", boost::any(1.0f / 3.0f));
    config->setValue("W", ConfigFile::PT_REAL, "large", boost::any(12345678.0f));
    config->setValue("W", ConfigFile::PT_RESOLUTION, "big", boost::any(Resolution(1024, 768)));
    config->setValue("W", ConfigFile::PT_RESOLUTION, "small", boost::any(Resolution(800, 600)));
    config->setValue("W", ConfigFile::PT_COLOUR, "colour", boost::any(Ogre::ColourValue(1.0f, 0.5f, 0.0f)));
    config->setValue("W", ConfigFile::PT_VECTOR, "vector", boost::any(Ogre::Vector3(0.1f, 2.0f, -3.0f)));
    config->setValue("W", ConfigFile::PT_STRING, "text", boost::any(std::string(" as is ")));

    EXPECT_EQ(config->getValueString("W", "yes"), "Yes");
    EXPECT_EQ(config->getValueString("W", "no"), "No");
    EXPECT_EQ(config->getValueString("W", "int"), "-5");
    EXPECT_EQ(config->getValueString("W", "one"), "1");
    EXPECT_EQ(config->getValueString("W", "half"), "0.5");
    EXPECT_EQ(config->getValueString("W", "third"), "0.333333");
    EXPECT_EQ(config->getValueString("W", "large"), "1.23457e+07");
    EXPECT_EQ(config->getValueString("W", "big"), "1024 x  768");
    EXPECT_EQ(config->getValueString("W", "small"), " 800 x  600");
    EXPECT_EQ(config->getValueString("W", "colour"), "1 0.5 0 1");
    EXPECT_EQ(config->getValueString("W", "vector"), "0.1 2 -3");
    EXPECT_EQ(config->getValueString("W", "text"), " as is ");
}

TEST_F(ConfigFileTest, SetValueRefusesWrongHeldTypesAndUnknownTypesWithoutChange)
{
    auto config = load("[W]\nreal = 2\n");
    const std::string invalid = "Invalid value given for specified parameter type.";
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>(
                  [&] { config->setValue("W", ConfigFile::PT_REAL, "real", boost::any(1.5)); }),
        invalid);
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>(
                  [&] { config->setValue("W", ConfigFile::PT_INT, "int", boost::any(3u)); }),
        invalid);
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>(
                  [&] { config->setValue("New", ConfigFile::PT_STRING, "s", boost::any("a C string")); }),
        invalid);
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>(
                  [&] { config->setValue("New", static_cast<ConfigFile::ParamType>(7), "s", boost::any(1)); }),
        "Unknown parameter type specified.");
    EXPECT_EQ(config->getValueString("W", "real"), "2");
    EXPECT_EQ(entries(*config, "W").size(), 1u);
    EXPECT_FALSE(config->hasSection("New"));
}

// ----- lookups

TEST_F(ConfigFileTest, StrictLookupsNameWhatIsMissingAndDefaultsNeverThrow)
{
    auto config = load("[A]\nkey = 5\nword = five\n");
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>([&] { config->getValueString("Nope", "key"); }),
        "The section requested does not exist within config file.");
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>([&] { config->getValueString("A", "Key"); }),
        "The parameter requested does not exist within section.");
    EXPECT_EQ(messageOf<tolva::InvalidArgumentException>(
                  [&] { config->getValue("A", static_cast<ConfigFile::ParamType>(-1), "key"); }),
        "Unknown parameter type specified.");

    const auto fallback = [&](const std::string& section, int type, const std::string& key) {
        return boost::any_cast<int>(
            config->getValueDefault(section, static_cast<ConfigFile::ParamType>(type), key, boost::any(99)));
    };
    EXPECT_EQ(fallback("A", ConfigFile::PT_INT, "key"), 5);
    EXPECT_EQ(fallback("Nope", ConfigFile::PT_INT, "key"), 99);
    EXPECT_EQ(fallback("A", ConfigFile::PT_INT, "missing"), 99);
    EXPECT_EQ(fallback("A", ConfigFile::PT_INT, "word"), 99);
    EXPECT_EQ(fallback("A", 9, "key"), 99);
}

TEST_F(ConfigFileTest, DuplicateKeysReadFirstAndReplaceFirst)
{
    auto config = load("[D]\nk = first\nk = second\nother = x\n");
    EXPECT_EQ(config->getValueString("D", "k"), "first");
    config->setValueString("D", "k", "third");
    // The first occurrence goes, the new value lands behind the remaining one.
    EXPECT_EQ(config->getValueString("D", "k"), "second");
    const std::vector<std::pair<std::string, std::string>> expected = {{"k", "second"}, {"k", "third"}, {"other", "x"}};
    EXPECT_EQ(entries(*config, "D"), expected);

    config->setValueString("D", "other", "y");
    EXPECT_EQ(config->getValueString("D", "other"), "y");
    EXPECT_EQ(entries(*config, "D").size(), 3u);
}

TEST_F(ConfigFileTest, KeysGivenTwiceInASectionAreNamedWithTheirLines)
{
    std::string manyKeys;
    for (int n = 0; n < 12; ++n) {
        manyKeys += "k" + std::to_string(n) + "=1\nk" + std::to_string(n) + "=2\n";
    }
    std::string manyLines = "[S]\n";
    for (int n = 0; n < 12; ++n) {
        manyLines += "v=" + std::to_string(n) + "\n";
    }
    const auto warning = [this](
                             const std::string& key, int times, const std::string& section, const std::string& lines) {
        return "Warning: The key '" + key + "' is given " + std::to_string(times) + " times in section [" + section
            + "] of '" + mDir.file("engine.cfg") + "' (lines " + lines
            + "). The first is read, and a new value stored for the key moves the first behind the others, so the "
              "value in use can change from run to run: keep one of them.";
    };
    const struct {
        const char* what;
        std::string content;
        std::vector<std::string> warnings;
    } rows[] = {
        {"every key once", "[A]\nk=1\n[B]\nk=2\n", {}},
        {"a pasted section", "[Sound]\nMaster Volume = 0.3\nMusic=1\n\n# again\n[Sound]\nMaster Volume:1.0\n",
            {warning("Master Volume", 2, "Sound", "2, 7")}},
        {"commented and unseparated lines are no keys", "k=1\n#k=2\n@k=3\nk\n  k\t= 4\n[A]\nk=5\n",
            {warning("k", 2, "", "1, 5")}},
        {"many lines of one key", manyLines, {warning("v", 12, "S", "2, 3, 4, 5, 6, 7, 8, 9, 10, 11, ...")}},
        {"many keys given twice", manyKeys,
            {warning("k0", 2, "", "1, 2"), warning("k1", 2, "", "3, 4"), warning("k10", 2, "", "21, 22"),
                warning("k11", 2, "", "23, 24"), warning("k2", 2, "", "5, 6"), warning("k3", 2, "", "7, 8"),
                warning("k4", 2, "", "9, 10"), warning("k5", 2, "", "11, 12"), warning("k6", 2, "", "13, 14"),
                warning("k7", 2, "", "15, 16"),
                "Warning: 2 more keys are given more than once in '" + mDir.file("engine.cfg") + "'."}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.warnings, load(row.content)->getDuplicateKeyWarnings()) << row.what;
    }
}

TEST_F(ConfigFileTest, SetValueStringCreatesMissingSectionsAndKeys)
{
    auto config = load("[A]\na = 1\n");
    config->setValueString("B", "b", "2");
    config->setValueString("A", "c", "3");
    EXPECT_TRUE(config->hasSection("B"));
    EXPECT_EQ(config->getValueString("B", "b"), "2");
    EXPECT_EQ(config->getValueString("A", "c"), "3");
    EXPECT_EQ(config->getValueString("A", "a"), "1");

    config->addSection("Empty");
    config->addSection("A");
    EXPECT_TRUE(config->getSectionIterator("Empty")->second.empty());
    EXPECT_EQ(entries(*config, "A").size(), 2u);
}

// ----- loading and writing

TEST_F(ConfigFileTest, MissingFileIsReportedAsFileAccessFailure)
{
    const std::string message
        = messageOf<tolva::FileAccessException>([&] { ConfigFile config(mDir.file("absent.cfg")); });
    EXPECT_EQ(message.rfind("Failed to find config file: ", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("Failed to find config file: ").size());
}

TEST_F(ConfigFileTest, FolderInPlaceOfTheFileIsAnInputError)
{
    std::filesystem::create_directories(mDir.file("engine.cfg"));
    const std::string message = messageOf<tolva::IOException>([&] { ConfigFile config(mDir.file("engine.cfg")); });
    EXPECT_EQ(message.rfind("Failed to open configuration file: ", 0), 0u) << message;
}

TEST_F(ConfigFileTest, WriteOrdersSectionsByNameWithTheUnnamedOneFirst)
{
    auto config = load("loose = 1\n[Zeta]\nz = 26\n[Alpha]\nb = 2\na = 1\n[Empty]\n");
    const std::string copy = mDir.file("copy.cfg");
    config->write(copy);
    EXPECT_EQ(tolva::test::readFile(copy),
        "[]\n"
        "loose=1\n"
        "[Alpha]\n"
        "a=1\n"
        "b=2\n"
        "[Empty]\n"
        "[Zeta]\n"
        "z=26\n");

    ConfigFile reread(copy);
    EXPECT_EQ(reread.getSettingsBySection(), config->getSettingsBySection());
}

TEST_F(ConfigFileTest, WriteWithoutNameRewritesTheLoadedFileWithChanges)
{
    auto config = load("[View]\nFOV = 45\n");
    config->setValue("View", ConfigFile::PT_REAL, "FOV", boost::any(60.0f));
    config->setValue("Audio", ConfigFile::PT_RESOLUTION, "Odd", boost::any(Resolution(1, 2)));
    config->write();

    ConfigFile reread(mDir.file("engine.cfg"));
    EXPECT_FLOAT_EQ(boost::any_cast<float>(reread.getValue("View", ConfigFile::PT_REAL, "FOV")), 60.0f);
    EXPECT_EQ(
        boost::any_cast<Resolution>(reread.getValue("Audio", ConfigFile::PT_RESOLUTION, "Odd")), Resolution(1, 2));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(mDir.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(ConfigFileTest, ALeadingByteOrderMarkIsNoPartOfTheFirstKeyAndIsNotWrittenBack)
{
    const std::string mark = "\xEF\xBB\xBF";
    // The mark before a key, and before a section header (which it would otherwise hide).
    for (const char* text : {"Console Enable=yes\n[A]\nb=1\n", "[A]\nb=1\n"}) {
        auto config = load(mark + text);
        EXPECT_EQ(config->getValueString("A", "b"), "1") << text;
        if (text[0] == 'C') {
            EXPECT_EQ(config->getValueString("", "Console Enable"), "yes");
        }
        config->write();
        EXPECT_EQ(tolva::test::readFile(mDir.file("engine.cfg")).find(mark), std::string::npos) << text;
    }
}

TEST_F(ConfigFileTest, WriteThatCannotOpenFailsWithTheOutputMessage)
{
    auto config = load("[A]\na = 1\n");
    const std::string expected = "Failed to open configuration file for output.";
    EXPECT_EQ(messageOf<tolva::IOException>([&] { config->write(mDir.file("missing/dir/engine.cfg")); }), expected);
    // Tests run as root, so permissions cannot stop the write; a regular file as parent folder can.
    mDir.write("plain", "not a folder");
    EXPECT_EQ(messageOf<tolva::IOException>([&] { config->write(mDir.file("plain/engine.cfg")); }), expected);
}

TEST_F(ConfigFileTest, FailedWriteLeavesTheOldFileIntact)
{
    const std::string original = "[A]\na = 1\n";
    auto config = load(original);
    config->setValueString("A", "b", std::string(64 * 1024, 'x'));

    // The file size limit makes the write run out of room part way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = messageOf<tolva::IOException>([&] { config->write(); });
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(message, "Failed to open configuration file for output.");
    EXPECT_EQ(tolva::test::readFile(mDir.file("engine.cfg")), original);
}

TEST_F(ConfigFileTest, AFileWithANulByteIsRefusedNamingItsLine)
{
    // The rendering engine's reader would stop at the byte, and the write-back would drop the rest.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string("[A]\na = 1\nb = 2\0junk\nc = 3\n", 25), "Line 3 of"},
        {std::string("\0", 1), "Line 1 of"},
        {std::string("[A]\n[B]\n\n\n\0\0\0\n", 14), "Line 5 of"},
    };
    for (const auto& [content, line] : cases) {
        const std::string message = messageOf<tolva::IOException>([&] { load(content); });
        EXPECT_EQ(message.rfind("Failed to open configuration file: " + line, 0), 0u) << message;
        EXPECT_NE(message.find("NUL byte"), std::string::npos) << message;
    }
}

TEST_F(ConfigFileTest, KeysAndValuesThatWouldReadBackAsOtherEntriesAreRefused)
{
    struct Case {
        std::string section, key, value;
    };
    const Case refused[] = {
        {"A", "a", "1\n[Injected]\nb = 2"},
        {"A", "a", std::string("1\0 2", 4)},
        {"A", "a\nb", "1"},
        {"A", "#a", "1"},
        {"A", " @a", "1"},
        {"A", "[Section", "1]"},
        {"A", "a=b", "1"},
        {"A", "a:b", "1"},
        {"A", "a\tb", "1"},
        {"A\n[B", "a", "1"},
        {std::string("A\0", 2), "a", "1"},
    };
    auto config = load("[A]\na = 1\n");
    for (const Case& c : refused) {
        EXPECT_THROW(config->setValueString(c.section, c.key, c.value), tolva::InvalidArgumentException)
            << c.section << "/" << c.key << "/" << c.value;
        EXPECT_THROW(
            config->setValue(c.section, ConfigFile::PT_STRING, c.key, c.value), tolva::InvalidArgumentException);
    }
    EXPECT_THROW(config->addSection("B\n[C]"), tolva::InvalidArgumentException);
    EXPECT_EQ(config->getValueString("A", "a"), "1");

    // Unusual texts that do read back as the one entry they are stay allowed.
    const Case accepted[] = {{"A", "Console Enable", "#not a comment"}, {"A", "a#b", "[x]"},
        {"With ] and [", "k", "v = w : x"}, {"", "", "empty key"}};
    for (const Case& c : accepted) {
        config->setValueString(c.section, c.key, c.value);
    }
    config->write();
    ConfigFile reread(mDir.file("engine.cfg"));
    for (const Case& c : accepted) {
        EXPECT_EQ(reread.getValueString(c.section, c.key), c.value) << c.key;
    }
    EXPECT_EQ(reread.getSettingsBySection().size(), 3u);
    EXPECT_EQ(entries(reread, "A").size(), 3u);
}

TEST_F(ConfigFileTest, WriteThroughASymbolicLinkRewritesTheLinkedFileAndKeepsItsMode)
{
    namespace fs = std::filesystem;
    const std::string linked = mDir.write("elsewhere/engine.cfg", "[A]\na = 1\n");
    fs::permissions(linked, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(mDir.file("home"));
    fs::create_symlink("../elsewhere/engine.cfg", mDir.file("home/engine.cfg"));

    ConfigFile config(mDir.file("home/engine.cfg"));
    config.setValueString("A", "b", "2");
    config.write();

    EXPECT_TRUE(fs::is_symlink(mDir.file("home/engine.cfg")));
    EXPECT_EQ(tolva::test::readFile(linked), "[]\n[A]\na=1\nb=2\n");
    EXPECT_EQ(fs::status(linked).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // No temporary file is left beside either of them.
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir.file("elsewhere")), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir.file("home")), fs::directory_iterator()), 1);
}

} // namespace
