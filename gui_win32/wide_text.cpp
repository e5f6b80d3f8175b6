#include "wide_text.h"

#include "platform/text.h"

namespace upd::win32gui {

// wchar_t is a UTF-16 unit on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring wide(std::string_view utf8) {
    const std::u16string u = text::toU16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string narrow(std::wstring_view text) {
    return text::fromU16(std::u16string(text.begin(), text.end()));
}

} // namespace upd::win32gui
