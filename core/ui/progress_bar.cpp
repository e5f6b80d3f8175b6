#include "ui/progress_bar.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace upd {

void ProgressBar::setPosition(int64_t position) {
    position_ = static_cast<int32_t>(std::clamp<int64_t>(position, min_, max_));
    notify();
}

void ProgressBar::setMax(int64_t max) {
    if (max < min_)
        throw std::invalid_argument("Property value out of range (" + std::to_string(max) + ")");
    max_ = static_cast<int32_t>(std::min<int64_t>(max, INT32_MAX));
    position_ = std::clamp(position_, min_, max_);
    notify();
}

void ProgressBar::notify() {
    for (auto& o : observers_) o();
}

} // namespace upd
