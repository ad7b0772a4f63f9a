#include "input/GuiText.h"

namespace tolva {

namespace {

const CEGUI::utf32 ReplacementCharacter = 0xFFFD;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

CEGUI::String utf8ToGuiText(const std::string& text)
{
    CEGUI::String result;
    result.reserve(text.size());
    const std::size_t size = text.size();
    std::size_t index = 0;
    while (index < size) {
        const unsigned char lead = static_cast<unsigned char>(text[index]);
        if (lead < 0x80) {
            result.push_back(lead);
            ++index;
            continue;
        }
        std::size_t length = 0;
        CEGUI::utf32 codePoint = 0;
        CEGUI::utf32 smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
            smallest = 0x10000;
        }
        bool valid = length != 0 && index + length <= size;
        for (std::size_t i = 1; valid && i < length; ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[index + i]);
            valid = isContinuation(byte);
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        valid
            = valid && codePoint >= smallest && codePoint <= 0x10FFFF && !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
        if (valid) {
            result.push_back(codePoint);
            index += length;
        } else {
            result.push_back(ReplacementCharacter);
            ++index;
        }
    }
    return result;
}

std::string guiTextToUtf8(const CEGUI::String& text)
{
    std::string result;
    result.reserve(text.size());
    for (CEGUI::String::const_iterator it = text.begin(); it != text.end(); ++it) {
        CEGUI::utf32 codePoint = *it;
        if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            codePoint = ReplacementCharacter;
        }
        if (codePoint < 0x80) {
            result += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            result += static_cast<char>(0xC0 | (codePoint >> 6));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            result += static_cast<char>(0xE0 | (codePoint >> 12));
            result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (codePoint >> 18));
            result += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }
    return result;
}

} // namespace tolva
