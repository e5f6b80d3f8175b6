#include "app/entry_ledger.h"

#include "platform/fs_path.h"
#include "ui/display_text.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace upd {

namespace {

namespace fs = std::filesystem;

bool arrivedAt(const std::string& path) {
    std::error_code ec;
    const auto status = fs::symlink_status(files::pathOf(path), ec);
    return fs::is_regular_file(status) || fs::is_directory(status);
}

// The files and folders the staging folder holds, by their names below it: one listing
// instead of a look at each entry of its own, which costs a system call per entry.
std::unordered_set<std::string> stagedNames(const std::string& staging) {
    std::unordered_set<std::string> names;
    std::error_code ec;
    fs::recursive_directory_iterator it(files::pathOf(staging), fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const bool link = it->is_symlink(ec);
        if (ec || link || !(it->is_regular_file(ec) || it->is_directory(ec))) continue;
        const std::string path = files::textOf(it->path());
        if (path.size() > staging.size()) names.insert(path.substr(staging.size()));
    }
    return names;
}

bool isSeparator(char c) { return c == '/' || c == static_cast<char>(fs::path::preferred_separator); }

} // namespace

void EntryLedger::start(std::string stagingFolder, size_t expected) {
    *this = EntryLedger{};
    staging_ = std::move(stagingFolder);
    expected_ = expected;
}

void EntryLedger::ended(const std::string& entry) { attempts_.push_back({entry, std::nullopt}); }

// The end event comes before the failure report: the report belongs to the attempt that
// just ended, and whatever stands in the staging folder under its name is not the entry.
void EntryLedger::failed(const std::string& entry, const std::string& cause) {
    if (!attempts_.empty() && !attempts_.back().cause && attempts_.back().entry == entry)
        attempts_.back().cause = cause;
    else
        attempts_.push_back({entry, cause});
}

std::optional<std::string> EntryLedger::problem() const {
    const std::unordered_set<std::string> staged = stagedNames(staging_);
    const auto arrived = [&](const std::string& entry) {
        std::string_view name = entry;
        while (!name.empty() && isSeparator(name.back())) name.remove_suffix(1);
        // A name the listing spells otherwise (letter case, a doubled separator) is looked at.
        return staged.count(std::string(name)) > 0 || arrivedAt(staging_ + entry);
    };
    size_t arrivedCount = 0;
    std::vector<std::pair<std::string, std::string>> problems;  // entry, cause; in order
    for (const Attempt& attempt : attempts_) {
        if (attempt.cause) {
            problems.emplace_back(attempt.entry, *attempt.cause);
        } else if (arrived(attempt.entry)) {
            ++arrivedCount;
            // A retry that succeeded mends what the earlier attempt reported.
            std::erase_if(problems, [&](const auto& p) { return p.first == attempt.entry; });
        } else {
            // Ended without arriving and without a report: skipped when the password was asked for.
            problems.emplace_back(attempt.entry, "пароль архива не подошёл");
        }
    }
    if (arrivedCount >= expected_ && problems.empty()) return std::nullopt;
    if (!problems.empty())
        return "Файл \"" + shownName(problems.front().first) + "\" не распакован: " +
               shownName(problems.front().second);
    return "Распаковано файлов: " + std::to_string(arrivedCount) + " из " + std::to_string(expected_);
}

} // namespace upd
