#include "db/sqlite_text_functions.h"

#include "platform/text.h"

#include <sqlite3.h>

#include <string>
#include <utility>
#include <vector>

namespace upd::db::sqlite {
namespace {

// A pattern as a list of steps: "any run" (%) or one character that a test accepts.
struct PatternStep {
    bool anyRun = false;
    bool anyOne = false;                                  // _
    bool negate = false;                                  // [!...]
    std::u32string chars;                                 // literal or list members
    std::vector<std::pair<char32_t, char32_t>> ranges;    // [a-z]

    bool accepts(char32_t c) const {
        if (anyOne) return true;
        bool hit = chars.find(c) != std::u32string::npos;
        for (const auto& [from, to] : ranges) hit = hit || (c >= from && c <= to);
        return hit != negate;
    }
};

std::vector<PatternStep> compile(const std::u32string& p, char32_t escape) {
    std::vector<PatternStep> steps;
    for (size_t i = 0; i < p.size(); ++i) {
        PatternStep step;
        const char32_t c = p[i];
        if (escape && c == escape && i + 1 < p.size()) {
            step.chars.push_back(p[++i]);
        } else if (c == U'%') {
            if (!steps.empty() && steps.back().anyRun) continue;
            step.anyRun = true;
        } else if (c == U'_') {
            step.anyOne = true;
        } else if (c == U'[' && p.find(U']', i + 2) != std::u32string::npos) {
            const size_t close = p.find(U']', i + 2);
            size_t k = i + 1;
            if (p[k] == U'!' || p[k] == U'^') step.negate = true, ++k;
            for (; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    step.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    step.chars.push_back(p[k]);
                }
            }
            i = close;
        } else {
            step.chars.push_back(c);
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

// Greedy match with one remembered "any run": time grows with pattern times value length.
bool matchSteps(const std::vector<PatternStep>& steps, const std::u32string& v) {
    size_t si = 0, vi = 0;
    size_t starStep = std::string::npos, starValue = 0;
    while (vi < v.size()) {
        if (si < steps.size() && steps[si].anyRun) {
            starStep = si++;
            starValue = vi;
        } else if (si < steps.size() && steps[si].accepts(v[vi])) {
            ++si, ++vi;
        } else if (starStep != std::string::npos) {
            si = starStep + 1;
            vi = ++starValue;
        } else {
            return false;
        }
    }
    while (si < steps.size() && steps[si].anyRun) ++si;
    return si == steps.size();
}

std::u32string foldedText(std::string_view s) {
    std::u32string out = text::toU32(s);
    for (char32_t& c : out) c = text::foldCase(c);
    return out;
}

int collate(void*, int an, const void* a, int bn, const void* b) {
    return compareIgnoreCase(std::string_view(static_cast<const char*>(a), static_cast<size_t>(an)),
                             std::string_view(static_cast<const char*>(b), static_cast<size_t>(bn)));
}

void like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    auto textOf = [](sqlite3_value* v) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return std::string_view(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
    };
    char32_t escape = 0;
    if (argc == 3) {
        const std::u32string e = text::toU32(textOf(argv[2]));
        if (e.size() != 1) return sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
        escape = text::foldCase(e[0]);
    }
    // like(pattern, value[, escape]) is how SQLite calls "value LIKE pattern".
    sqlite3_result_int(ctx, likeMatch(textOf(argv[0]), textOf(argv[1]), escape) ? 1 : 0);
}

} // namespace

int compareIgnoreCase(std::string_view a, std::string_view b) { return text::compareIgnoreCase(a, b); }

bool likeMatch(std::string_view pattern, std::string_view value, char32_t escape) {
    return matchSteps(compile(foldedText(pattern), escape ? text::foldCase(escape) : 0), foldedText(value));
}

void registerAccessTextFunctions(sqlite3* db) {
    sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, collate);
    sqlite3_create_function(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, like, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, like, nullptr, nullptr);
}

} // namespace upd::db::sqlite
