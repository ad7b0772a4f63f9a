// Text crossing between the engine, which keeps text as UTF-8 bytes in std::string, and the GUI
// library, which keeps code points. The GUI library's own UTF-8 decoder trusts its input and reads
// past the end of a cut-off sequence, so engine text is always decoded here.
#pragma once

#include <CEGUI/String.h>

#include <string>

namespace tolva {

/// Decodes UTF-8. Bytes that are not part of a well-formed sequence (a stray continuation byte, a
/// cut-off or overlong sequence, a surrogate, a value above U+10FFFF) become one U+FFFD each, so
/// any byte string gives a valid text.
CEGUI::String utf8ToGuiText(const std::string& text);

/// The GUI text as UTF-8; a code point that has no UTF-8 form (a surrogate, a value above
/// U+10FFFF) becomes U+FFFD.
std::string guiTextToUtf8(const CEGUI::String& text);

} // namespace tolva
