#include "core/ConfigFile.h"

#include <OgreDataStream.h>
#include <OgreException.h>
#include <OgreString.h>
#include <OgreStringVector.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <sstream>

#include "core/FileReplacement.h"

namespace tolva {

namespace {

const char* const NO_SECTION = "The section requested does not exist within config file.";
const char* const NO_PARAMETER = "The parameter requested does not exist within section.";
const char* const UNKNOWN_TYPE = "Unknown parameter type specified.";
const char* const INVALID_VALUE = "Invalid value given for specified parameter type.";
const char* const WRITE_FAILED = "Failed to open configuration file for output.";
const char* const BAD_SECTION = "A configuration section name cannot hold a line feed or a NUL byte.";
const char* const BAD_KEY = "A configuration key cannot hold a line feed, a NUL byte, a tab, ':' or '=', nor begin "
                            "with '#', '@' or '['.";
const char* const BAD_VALUE = "A configuration value cannot hold a line feed or a NUL byte.";

/// Characters that end a line of the file, as the file is written and read back.
bool hasLineBreak(const std::string& text)
{
    return text.find_first_of(std::string("\n\0", 2)) != std::string::npos;
}

/// Whether "key=value" reads back as exactly this key: no separator inside, and not a line the
/// reader takes for a comment ('#', '@') or a section header ('[') once blanks are trimmed.
bool isWritableKey(const std::string& key)
{
    if (hasLineBreak(key) || key.find_first_of("\t:=") != std::string::npos) {
        return false;
    }
    const std::string::size_type first = key.find_first_not_of(" \r");
    return first == std::string::npos || (key[first] != '#' && key[first] != '@' && key[first] != '[');
}

bool isKnownType(int type)
{
    return type >= ConfigFile::PT_BOOL && type <= ConfigFile::PT_VECTOR;
}

Ogre::StringVector splitBlanks(const std::string& text)
{
    return Ogre::StringUtil::split(text, "\t\n ");
}

/// The rendering engine's reader stops at the first NUL byte as if the file ended there, and the
/// write-back would then drop every line after it for good. Such a file is refused whole, naming
/// the line, so that nothing in it is lost.
std::string refuseUnreadableText(const std::string& fileName)
{
    std::ifstream in(fileName.c_str(), std::ios::in | std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string content = text.str();
    const std::string::size_type nul = content.find('\0');
    if (nul != std::string::npos) {
        const auto line = std::count(content.begin(), content.begin() + nul, '\n') + 1;
        throw IOException("Failed to open configuration file: Line " + std::to_string(line) + " of '" + fileName
            + "' holds a NUL byte, where reading would stop; the file is left unread and unchanged.");
    }
    return content;
}

const std::size_t ShownDuplicateKeys = 10;
const std::size_t ShownLinesPerKey = 10;

} // namespace

template <>
unsigned int ConfigFile::safeParse<unsigned int>(const std::string& text)
{
    const std::string::size_type first = text.find_first_not_of(" \t\n\v\f\r");
    if (first != std::string::npos && text[first] == '-') {
        throw ParserException("Failed to convert string to atomic type.");
    }
    std::istringstream stream(text);
    unsigned int value;
    stream >> value;
    if (stream.fail()) {
        throw ParserException("Failed to convert string to atomic type.");
    }
    return value;
}

// ----- parsers

boost::any ConfigFile::BoolParser::stringToValue(const std::string& text)
{
    std::string word = text;
    Ogre::StringUtil::toLowerCase(word);
    Ogre::StringUtil::trim(word, true, true);
    if (word == "yes" || word == "true") {
        return boost::any(true);
    }
    if (word == "no" || word == "false") {
        return boost::any(false);
    }
    try {
        return boost::any(safeParse<int>(word) != 0);
    } catch (const ParserException&) {
        throw ParserException("Bool must either be a string of 'No', 'false', 'Yes', 'true' or an integer.");
    }
}

std::string ConfigFile::BoolParser::valueToString(boost::any value)
{
    return boost::any_cast<bool>(value) ? "Yes" : "No";
}

boost::any ConfigFile::IntParser::stringToValue(const std::string& text)
{
    return boost::any(safeParse<int>(text));
}

std::string ConfigFile::IntParser::valueToString(boost::any value)
{
    return safeConvert<int>(boost::any_cast<int>(value));
}

boost::any ConfigFile::StringParser::stringToValue(const std::string& text)
{
    return boost::any(text);
}

std::string ConfigFile::StringParser::valueToString(boost::any value)
{
    return boost::any_cast<std::string>(value);
}

boost::any ConfigFile::RealParser::stringToValue(const std::string& text)
{
    return boost::any(safeParse<float>(text));
}

std::string ConfigFile::RealParser::valueToString(boost::any value)
{
    return safeConvert<float>(boost::any_cast<float>(value));
}

boost::any ConfigFile::ResolutionParser::stringToValue(const std::string& text)
{
    const std::string::size_type x = text.find('x');
    if (x == std::string::npos) {
        throw ParserException("Resolution string does not contain an 'x' character.");
    }
    try {
        const unsigned int width = safeParse<unsigned int>(text.substr(0, x));
        const unsigned int height = safeParse<unsigned int>(text.substr(x + 1));
        return boost::any(std::make_pair(width, height));
    } catch (const ParserException&) {
        throw ParserException("Resolution must have one unsigned integer on either side of an 'x'.");
    }
}

std::string ConfigFile::ResolutionParser::valueToString(boost::any value)
{
    const auto resolution = boost::any_cast<std::pair<unsigned int, unsigned int>>(value);
    std::ostringstream stream;
    stream << std::setw(4) << resolution.first << " x " << std::setw(4) << resolution.second;
    return stream.str();
}

boost::any ConfigFile::ColourParser::stringToValue(const std::string& text)
{
    const Ogre::StringVector pieces = splitBlanks(text);
    if (pieces.size() < 3) {
        throw ParserException("Colour value must be three or four float elements.");
    }
    Ogre::ColourValue colour(
        safeParse<float>(pieces[0]), safeParse<float>(pieces[1]), safeParse<float>(pieces[2]), 1.0f);
    if (pieces.size() >= 4) {
        colour.a = safeParse<float>(pieces[3]);
    }
    return boost::any(colour);
}

std::string ConfigFile::ColourParser::valueToString(boost::any value)
{
    const auto colour = boost::any_cast<Ogre::ColourValue>(value);
    return safeConvert<float>(colour.r) + " " + safeConvert<float>(colour.g) + " " + safeConvert<float>(colour.b) + " "
        + safeConvert<float>(colour.a);
}

boost::any ConfigFile::VectorParser::stringToValue(const std::string& text)
{
    const Ogre::StringVector pieces = splitBlanks(text);
    if (pieces.size() < 3) {
        throw ParserException("Vector3 value must be three Reals elements.");
    }
    return boost::any(
        Ogre::Vector3(safeParse<float>(pieces[0]), safeParse<float>(pieces[1]), safeParse<float>(pieces[2])));
}

std::string ConfigFile::VectorParser::valueToString(boost::any value)
{
    const auto vector = boost::any_cast<Ogre::Vector3>(value);
    return safeConvert<float>(vector.x) + " " + safeConvert<float>(vector.y) + " " + safeConvert<float>(vector.z);
}

ConfigFile::Parser* ConfigFile::createParser(ParamType type)
{
    switch (type) {
    case PT_BOOL:
        return new BoolParser;
    case PT_INT:
        return new IntParser;
    case PT_STRING:
        return new StringParser;
    case PT_REAL:
        return new RealParser;
    case PT_RESOLUTION:
        return new ResolutionParser;
    case PT_COLOUR:
        return new ColourParser;
    case PT_VECTOR:
        return new VectorParser;
    }
    throw InvalidArgumentException(UNKNOWN_TYPE);
}

// ----- the file

ConfigFile::ConfigFile(const std::string& fileName)
    : mFileName(fileName)
{
    // The rendering engine's reader never finishes on a folder (reading fails without reaching
    // the end), and would block on a pipe: only regular files are handed to it.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(fileName, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw IOException(
            "Failed to open configuration file: Cannot read '" + fileName + "': it is not a regular file.");
    }
    std::string content = refuseUnreadableText(fileName);
    try {
        // Editors may save the file with a UTF-8 byte-order mark. It is no part of the first key
        // (or section header), and the file is written back without it.
        const std::string byteOrderMark = "\xEF\xBB\xBF";
        if (content.compare(0, byteOrderMark.size(), byteOrderMark) == 0) {
            content.erase(0, byteOrderMark.size());
            Ogre::DataStreamPtr stream = std::make_shared<Ogre::MemoryDataStream>(
                fileName, const_cast<char*>(content.data()), content.size(), false, true);
            load(stream, "\t:=", true);
        } else {
            load(fileName, "\t:=", true);
        }
    } catch (const Ogre::FileNotFoundException& e) {
        throw FileAccessException("Failed to find config file: " + e.getDescription());
    } catch (const Ogre::IOException& e) {
        throw IOException("Failed to open configuration file: " + e.getDescription());
    }
    findDuplicateKeys(content);
}

void ConfigFile::findDuplicateKeys(const std::string& content)
{
    // Which keys repeat is taken from what the reader stored; the file's text is walked only to
    // name their lines, splitting lines as the reader does.
    mRepeatedKeys.clear();
    std::map<std::pair<std::string, std::string>, RepeatedKey> repeated;
    for (const auto& section : mSettings) {
        for (auto entry = section.second.begin(); entry != section.second.end();) {
            const std::size_t count = section.second.count(entry->first);
            if (count > 1) {
                repeated[{section.first, entry->first}] = RepeatedKey{section.first, entry->first, count, {}};
            }
            entry = section.second.upper_bound(entry->first);
        }
    }
    if (repeated.empty()) {
        return;
    }
    std::string section;
    std::size_t lineNumber = 0;
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        Ogre::StringUtil::trim(line);
        if (line.empty() || line[0] == '#' || line[0] == '@') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::string::size_type separator = line.find_first_of("\t:=");
        if (separator == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, separator);
        Ogre::StringUtil::trim(key);
        auto found = repeated.find({section, key});
        if (found != repeated.end()) {
            found->second.lines.push_back(lineNumber);
        }
    }
    for (auto& entry : repeated) {
        mRepeatedKeys.push_back(std::move(entry.second));
    }
}

std::vector<std::string> ConfigFile::getDuplicateKeyWarnings(const std::set<std::string>& listSections) const
{
    std::vector<std::string> warnings;
    std::size_t more = 0;
    for (const RepeatedKey& entry : mRepeatedKeys) {
        if (listSections.count(entry.section) != 0) {
            continue;
        }
        if (warnings.size() == ShownDuplicateKeys) {
            ++more;
            continue;
        }
        std::string where;
        for (std::size_t n = 0; n < entry.lines.size() && n < ShownLinesPerKey; ++n) {
            where += (n == 0 ? "" : ", ") + std::to_string(entry.lines[n]);
        }
        if (entry.lines.size() > ShownLinesPerKey) {
            where += ", ...";
        }
        warnings.push_back("Warning: The key '" + entry.key + "' is given " + std::to_string(entry.count)
            + " times in section [" + entry.section + "] of '" + mFileName + "' (lines " + where
            + "). The first is read, and a new value stored for the key moves the first "
            + "behind the others, so the value in use can change from run to run: keep one of them.");
    }
    if (more != 0) {
        warnings.push_back(
            "Warning: " + std::to_string(more) + " more keys are given more than once in '" + mFileName + "'.");
    }
    return warnings;
}

bool ConfigFile::hasSection(const std::string& section) const
{
    return mSettings.find(section) != mSettings.end();
}

void ConfigFile::addSection(const std::string& section)
{
    if (hasLineBreak(section)) {
        throw InvalidArgumentException(BAD_SECTION);
    }
    mSettings.emplace(section, SettingsMultiMap());
}

ConfigFile::SectionMap::iterator ConfigFile::getSectionIterator(const std::string& section)
{
    const SectionMap::iterator found = mSettings.find(section);
    if (found == mSettings.end()) {
        throw InvalidArgumentException(NO_SECTION);
    }
    return found;
}

ConfigFile::SectionMap::const_iterator ConfigFile::getSectionIterator(const std::string& section) const
{
    const SectionMap::const_iterator found = mSettings.find(section);
    if (found == mSettings.end()) {
        throw InvalidArgumentException(NO_SECTION);
    }
    return found;
}

ConfigFile::SettingsMultiMap::iterator ConfigFile::getParamIterator(const std::string& section, const std::string& key)
{
    SettingsMultiMap& entries = getSectionIterator(section)->second;
    // lower_bound, not find: find may return any of several equal keys.
    const SettingsMultiMap::iterator found = entries.lower_bound(key);
    if (found == entries.end() || found->first != key) {
        throw InvalidArgumentException(NO_PARAMETER);
    }
    return found;
}

ConfigFile::SettingsMultiMap::const_iterator ConfigFile::getParamIterator(
    const std::string& section, const std::string& key) const
{
    const SettingsMultiMap& entries = getSectionIterator(section)->second;
    const SettingsMultiMap::const_iterator found = entries.lower_bound(key);
    if (found == entries.end() || found->first != key) {
        throw InvalidArgumentException(NO_PARAMETER);
    }
    return found;
}

const std::string& ConfigFile::getValueString(const std::string& section, const std::string& key) const
{
    return getParamIterator(section, key)->second;
}

void ConfigFile::setValueString(const std::string& section, const std::string& key, const std::string& value)
{
    // Refused here, or the file would read back with other entries (a value could even start a
    // section of its own).
    if (hasLineBreak(section)) {
        throw InvalidArgumentException(BAD_SECTION);
    }
    if (!isWritableKey(key)) {
        throw InvalidArgumentException(BAD_KEY);
    }
    if (hasLineBreak(value)) {
        throw InvalidArgumentException(BAD_VALUE);
    }
    addSection(section);
    SettingsMultiMap& entries = mSettings[section];
    try {
        entries.erase(getParamIterator(section, key));
    } catch (const InvalidArgumentException&) {
        // No entry with that key yet: the new one is simply added.
    }
    // A multimap inserts behind the equal keys already present.
    entries.emplace(key, value);
}

boost::any ConfigFile::getValue(const std::string& section, ParamType type, const std::string& key) const
{
    if (!isKnownType(type)) {
        throw InvalidArgumentException(UNKNOWN_TYPE);
    }
    const std::string& text = getValueString(section, key);
    std::unique_ptr<Parser> parser(createParser(type));
    return parser->stringToValue(text);
}

boost::any ConfigFile::getValueDefault(
    const std::string& section, ParamType type, const std::string& key, const boost::any& defaultValue) const
{
    try {
        return getValue(section, type, key);
    } catch (...) {
        return defaultValue;
    }
}

void ConfigFile::setValue(const std::string& section, ParamType type, const std::string& key, const boost::any& value)
{
    if (!isKnownType(type)) {
        throw InvalidArgumentException(UNKNOWN_TYPE);
    }
    std::unique_ptr<Parser> parser(createParser(type));
    std::string text;
    try {
        text = parser->valueToString(value);
    } catch (const boost::bad_any_cast&) {
        throw InvalidArgumentException(INVALID_VALUE);
    }
    setValueString(section, key, text);
}

void ConfigFile::write(const std::string& fileName) const
{
    FileReplacement replacement(fileName.empty() ? mFileName : fileName);
    if (!replacement.create()) {
        throw IOException(WRITE_FAILED);
    }
    std::ofstream out(replacement.getTemporaryPath().c_str(), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out.is_open()) {
        throw IOException(WRITE_FAILED);
    }
    for (const auto& section : mSettings) {
        out << '[' << section.first << "]\n";
        for (const auto& entry : section.second) {
            out << entry.first << '=' << entry.second << '\n';
        }
    }
    out.close();
    if (out.fail() || !replacement.commit()) {
        throw IOException(WRITE_FAILED);
    }
}

} // namespace tolva
