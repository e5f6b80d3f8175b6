#include "app/entry_ledger.h"

#include "ui/display_text.h"

#include <algorithm>
#include <filesystem>

namespace upd {

namespace {

bool arrivedAt(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(
        std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size())), ec);
    return std::filesystem::is_regular_file(status) || std::filesystem::is_directory(status);
}

} // namespace

void EntryLedger::start(std::string stagingFolder, size_t expected) {
    *this = EntryLedger{};
    staging_ = std::move(stagingFolder);
    expected_ = expected;
}

void EntryLedger::note(const std::string& entry, const std::string& cause) {
    problems_.emplace_back(entry, cause);
}

// The end event comes before the failure report: an entry that ended missing and got no
// report was skipped when the password was asked for.
void EntryLedger::settleMissing() {
    if (!missing_) return;
    note(*missing_, "пароль архива не подошёл");
    missing_.reset();
}

void EntryLedger::ended(const std::string& entry) {
    settleMissing();
    lastArrived_.reset();
    if (arrivedAt(staging_ + entry)) {
        ++arrived_;
        lastArrived_ = entry;
        // A retry that succeeded mends what the earlier attempt reported.
        std::erase_if(problems_, [&](const auto& p) { return p.first == entry; });
    } else {
        missing_ = entry;
    }
}

void EntryLedger::failed(const std::string& entry, const std::string& cause) {
    if (missing_ == entry) missing_.reset();
    if (lastArrived_ == entry) {
        // Whatever stands in the staging folder under a failed entry's name is not the entry.
        --arrived_;
        lastArrived_.reset();
    }
    note(entry, cause);
}

std::optional<std::string> EntryLedger::problem() const {
    EntryLedger settled = *this;
    settled.settleMissing();
    if (settled.arrived_ >= expected_ && settled.problems_.empty()) return std::nullopt;
    if (!settled.problems_.empty())
        return "Файл \"" + shownName(settled.problems_.front().first) + "\" не распакован: " +
               shownName(settled.problems_.front().second);
    return "Распаковано файлов: " + std::to_string(settled.arrived_) + " из " + std::to_string(expected_);
}

} // namespace upd
