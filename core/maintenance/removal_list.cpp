#include "maintenance/removal_list.h"

#include "platform/codepage.h"
#include "platform/file_handle.h"
#include "platform/text.h"

#include <stdexcept>

namespace upd::maintenance {

namespace {

std::u16string utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0));
    }
    return units;
}

// The list's text as UTF-8, its encoding told by the byte-order mark.
std::string decodeList(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return text::fromU16(utf16Units(bytes.substr(2), false));
    if (bytes.substr(0, 2) == "\xFE\xFF") return text::fromU16(utf16Units(bytes.substr(2), true));
    return codepage::ansiToUtf8(bytes);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0') {
        const size_t start = pos;
        while (pos < text.size() && text[pos] != '\0' && text[pos] != '\r' && text[pos] != '\n') ++pos;
        lines.emplace_back(text.substr(start, pos - start));
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

} // namespace

std::vector<std::string> removalListLines(std::string_view bytes) { return splitLines(decodeList(bytes)); }

std::vector<std::string> readRemovalList(const std::string& path) {
    std::string bytes;
    if (auto ec = files::readWholeFile(path, bytes))
        throw std::runtime_error("Cannot open file \"" + path + "\". " + ec.message());
    return removalListLines(bytes);
}

} // namespace upd::maintenance
