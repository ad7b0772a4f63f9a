// The engine configuration ("engine.cfg") held in memory: sections of key and value texts, with
// typed access on top. Read once when the engine is built, changed by the setters of user
// settings while the program runs, and written back whole before the engine goes.
#pragma once

#include <OgreColourValue.h>
#include <OgreConfigFile.h>
#include <OgreVector.h>

#include <boost/any.hpp>

#include <sstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/Exceptions.h"

namespace tolva {

class ConfigFile : public Ogre::ConfigFile {
public:
    /// Value types of typed access; the numbers are part of the interface (scripts pass them).
    enum ParamType {
        PT_BOOL = 0,       ///< bool
        PT_INT = 1,        ///< int
        PT_STRING = 2,     ///< std::string
        PT_REAL = 3,       ///< float
        PT_RESOLUTION = 4, ///< std::pair<unsigned int, unsigned int>: width, height
        PT_COLOUR = 5,     ///< Ogre::ColourValue
        PT_VECTOR = 6      ///< Ogre::Vector3
    };

    /// Turns the text of one value into its typed value and back. Parsers hold no state.
    class Parser {
    public:
        virtual ~Parser() = default;
        /// @throw ParserException when the text cannot be read as the parser's type
        virtual boost::any stringToValue(const std::string& text) = 0;
        /// @throw boost::bad_any_cast when the value does not hold exactly the parser's type
        virtual std::string valueToString(boost::any value) = 0;
    };

    /// "yes"/"true"/"no"/"false" in any case, or an integer (non-zero is true); written "Yes"/"No".
    class BoolParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    class IntParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    class StringParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    /// Holds a float; written with the default stream formatting of a double (1.0 gives "1").
    class RealParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    /// "<width>x<height>" with a lower-case x; written "1024 x  768" (each side at least 4 wide).
    class ResolutionParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    /// Three or four blank-separated reals: red, green, blue and optionally alpha (default 1).
    class ColourParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    /// Three blank-separated reals: x, y, z; further pieces are ignored.
    class VectorParser : public Parser {
    public:
        boost::any stringToValue(const std::string& text) override;
        std::string valueToString(boost::any value) override;
    };

    typedef SettingsBySection_ SectionMap;

    /// Loads the file at once.
    /// @throw FileAccessException when the file does not exist
    /// @throw IOException when it cannot be read, or holds a NUL byte (the message names its line)
    explicit ConfigFile(const std::string& fileName);

    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    /// The file this object was loaded from.
    const std::string& getFileName() const { return mFileName; }

    bool hasSection(const std::string& section) const;
    /// Creates the section empty unless it exists already.
    /// @throw InvalidArgumentException for a name with a line feed or a NUL byte
    void addSection(const std::string& section);

    /// @throw InvalidArgumentException when the section does not exist
    SectionMap::iterator getSectionIterator(const std::string& section);
    SectionMap::const_iterator getSectionIterator(const std::string& section) const;

    /// The first entry with exactly that key.
    /// @throw InvalidArgumentException when the section or the key does not exist
    SettingsMultiMap::iterator getParamIterator(const std::string& section, const std::string& key);
    SettingsMultiMap::const_iterator getParamIterator(const std::string& section, const std::string& key) const;

    /// The stored text of the first entry with that key.
    /// @throw InvalidArgumentException when the section or the key does not exist
    const std::string& getValueString(const std::string& section, const std::string& key) const;
    /// Replaces the first entry with that key (the new one goes behind any other equal keys),
    /// creating the section and the entry as needed. Only memory changes, never the file.
    /// @throw InvalidArgumentException, changing nothing, for texts that would not read back as
    ///        this one entry: a line feed or NUL byte anywhere, a key with a separator (tab, ':',
    ///        '=') or whose first non-blank character is '#', '@' or '['
    void setValueString(const std::string& section, const std::string& key, const std::string& value);

    /// Strict typed read, for mandatory settings.
    /// @throw InvalidArgumentException for a missing section or key or an unknown type
    /// @throw ParserException for malformed text
    boost::any getValue(const std::string& section, ParamType type, const std::string& key) const;
    /// Typed read for optional settings: any failure gives the default, silently.
    boost::any getValueDefault(
        const std::string& section, ParamType type, const std::string& key, const boost::any& defaultValue) const;
    /// Stores a typed value as text; a failed call changes nothing.
    /// @throw InvalidArgumentException for an unknown type, a value not holding exactly its type, or
    ///        texts that setValueString refuses
    void setValue(const std::string& section, ParamType type, const std::string& key, const boost::any& value);

    /// Writes every section (in byte order of the names, the unnamed one as "[]") and entry as
    /// "key=value" lines, through a FileReplacement: a failed write leaves the old file as it was,
    /// a symbolic link stays a link to the rewritten file, and the file keeps its mode.
    /// @param fileName target; the empty name means the file this object was loaded from
    /// @throw IOException "Failed to open configuration file for output." on any failure
    void write(const std::string& fileName = std::string()) const;

    /// One warning line for each key the file gives more than once in one section (reads take
    /// the first, and each store moves the first behind the others, so the value in use swaps
    /// between runs), naming the key, its section and its lines; at most ten such lines and
    /// then one that counts the rest. Empty when every key is given once. The engine logs them
    /// once its log exists.
    /// @param listSections sections read as lists, whose keys are meant to repeat
    std::vector<std::string> getDuplicateKeyWarnings(const std::set<std::string>& listSections = {}) const;

    /// Stream extraction of an int, unsigned int or float: leading blanks are skipped and anything
    /// after the number is ignored.
    /// @throw ParserException when no number can be read
    template <typename T>
    static T safeParse(const std::string& text);

    /// Text of a float or unsigned int with the default stream formatting (a float as a double).
    template <typename T>
    static std::string safeConvert(T value);

private:
    static Parser* createParser(ParamType type);
    /// Finds the keys given more than once in a section of the loaded text.
    void findDuplicateKeys(const std::string& content);

    struct RepeatedKey {
        std::string section;
        std::string key;
        std::size_t count;
        std::vector<std::size_t> lines;
    };

    std::string mFileName;
    std::vector<RepeatedKey> mRepeatedKeys;
};

template <typename T>
T ConfigFile::safeParse(const std::string& text)
{
    std::istringstream stream(text);
    T value;
    stream >> value;
    if (stream.fail()) {
        throw ParserException("Failed to convert string to atomic type.");
    }
    return value;
}

/// A plain unsigned read would accept "-1" as a huge number (a resolution of 4294967295 pixels);
/// a minus sign is refused like any other unreadable text.
template <>
unsigned int ConfigFile::safeParse<unsigned int>(const std::string& text);

template <typename T>
std::string ConfigFile::safeConvert(T value)
{
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

template <>
inline std::string ConfigFile::safeConvert<float>(float value)
{
    std::ostringstream stream;
    stream << static_cast<double>(value);
    return stream.str();
}

} // namespace tolva
