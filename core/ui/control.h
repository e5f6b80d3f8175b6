// The state of a button or menu item that the operations change: enabled, shown and, where an
// operation sets one, its caption (empty: the caption of the window's design).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace upd {

class Control {
public:
    explicit Control(bool enabled = true, bool visible = true) : enabled_(enabled), visible_(visible) {}

    bool Enabled() const { return enabled_; }
    bool Visible() const { return visible_; }
    const std::string& Caption() const { return caption_; }
    void setEnabled(bool enabled) {
        enabled_ = enabled;
        notify();
    }
    void setVisible(bool visible) {
        visible_ = visible;
        notify();
    }
    void setCaption(std::string caption) {
        caption_ = std::move(caption);
        notify();
    }

    void addObserver(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

private:
    void notify() {
        for (auto& o : observers_) o();
    }

    bool enabled_;
    bool visible_;
    std::string caption_;
    std::vector<std::function<void()>> observers_;
};

} // namespace upd
