// The progress bar's model: range and position, with the platform control's clamping.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace upd {

class ProgressBar {
public:
    int32_t min() const { return min_; }
    int32_t max() const { return max_; }
    int32_t position() const { return position_; }

    // A position outside the range is held at the nearer end.
    void setPosition(int64_t position);
    // A maximum below the minimum is refused with std::invalid_argument; the position is
    // brought back into the new range.
    void setMax(int64_t max);

    using Observer = std::function<void()>;
    void addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

private:
    void notify();

    int32_t min_ = 0;
    int32_t max_ = 100;
    int32_t position_ = 0;
    std::vector<Observer> observers_;
};

} // namespace upd
