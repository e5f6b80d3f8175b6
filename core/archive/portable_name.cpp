#include "archive/portable_name.h"

#include <array>

namespace upd {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

// Windows opens these devices whatever folder the name is in and whatever extension
// follows ("nul.txt" is the null device). The superscript digits count as digits there.
bool isDeviceName(std::string_view part) {
    std::string_view stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kPlain)
        if (equalsIgnoringCase(stem, device)) return true;
    if (stem.size() < 4) return false;
    const std::string_view prefix = stem.substr(0, 3);
    if (!equalsIgnoringCase(prefix, "COM") && !equalsIgnoringCase(prefix, "LPT")) return false;
    const std::string_view digit = stem.substr(3);
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";  // ¹ ² ³
}

} // namespace

std::string_view unportableNamePart(std::string_view part) {
    for (char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return "it holds a control character";
        switch (c) {
        case '<': case '>': case '"': case '|': case '?': case '*':
            return "it holds one of the characters < > \" | ? *";
        case ':':
            return "it holds a colon, which Windows reads as a drive or a data stream";
        default:
            break;
        }
    }
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
        return "a part of it ends with a dot or a space, which Windows drops";
    if (isDeviceName(part)) return "a part of it is a device name";
    return {};
}

} // namespace upd
