#include "archive/mask_match.h"

#include <string>

#include "platform/text.h"

namespace upd {
namespace {

char32_t foldAscii(char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// Wildcard match with the usual single back-track point for the last "*".
bool wildcard(const std::u32string& name, const std::u32string& pattern) {
    size_t n = 0, p = 0;
    size_t starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || foldAscii(pattern[p]) == foldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

bool hasNoExtension(const std::u32string& name) {
    const size_t dot = name.find_last_of(U'.');
    if (dot == std::u32string::npos) return true;
    const size_t sep = name.find_last_of(U"/\\");
    if (sep != std::u32string::npos && sep > dot) return true;
    return dot + 1 == name.size();
}

} // namespace

bool matchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty()) return false;
    if (mask == "*" || mask == "*.*") return true;  // the updater's mask: every name
    std::u32string pattern = text::toU32(mask);
    if (auto at = pattern.find(U"*.*"); at != std::u32string::npos) pattern.erase(at + 1, 2);  // "*.*" -> "*"
    const bool maskEndsWithDot = mask.back() == '.';
    if (!pattern.empty() && pattern.back() == U'.' && maskEndsWithDot) pattern.pop_back();
    std::u32string n = text::toU32(name);
    if (!n.empty() && n.back() == U'.') n.pop_back();
    if (!wildcard(n, pattern)) return false;
    return !maskEndsWithDot || hasNoExtension(text::toU32(name));
}

} // namespace upd
