// The update log: lines only ever appended, at most one selected line.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace upd {

class UpdateLog {
public:
    // Add the line at the end; the selection stays where it is.
    void Append(const std::string& line);
    // Add the line at the end and make it the selected line (it scrolls into view).
    void AppendAndSelect(const std::string& line);
    // Add `text` to the end of the last line (progress dots); the selection stays where it is.
    // An empty log gets it as a line of its own, appended as by Append.
    void AppendToLastLine(const std::string& text);

    const std::vector<std::string>& lines() const { return lines_; }
    std::optional<size_t> selected() const { return selected_; }
    size_t size() const { return lines_.size(); }

    // Front ends observe each appended line: its index and whether it became selected.
    using Observer = std::function<void(size_t index, bool selected)>;
    void addObserver(Observer observer) { observers_.push_back(std::move(observer)); }
    // ... and each line changed in place by AppendToLastLine: its index.
    using ChangeObserver = std::function<void(size_t index)>;
    void addChangeObserver(ChangeObserver observer) { changeObservers_.push_back(std::move(observer)); }

private:
    void notify(size_t index, bool selected);

    std::vector<std::string> lines_;
    std::optional<size_t> selected_;
    std::vector<Observer> observers_;
    std::vector<ChangeObserver> changeObservers_;
};

} // namespace upd
