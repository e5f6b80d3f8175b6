#include "ui/update_log.h"

namespace upd {

void UpdateLog::Append(const std::string& line) {
    lines_.push_back(line);
    notify(lines_.size() - 1, false);
}

void UpdateLog::AppendAndSelect(const std::string& line) {
    lines_.push_back(line);
    selected_ = lines_.size() - 1;
    notify(lines_.size() - 1, true);
}

void UpdateLog::AppendToLastLine(const std::string& text) {
    if (lines_.empty()) return Append(text);
    lines_.back() += text;
    for (auto& o : changeObservers_) o(lines_.size() - 1);
}

void UpdateLog::notify(size_t index, bool selected) {
    for (auto& o : observers_) o(index, selected);
}

} // namespace upd
