// Runs an action when the scope ends, however it ends, unless dismissed first.
#pragma once

#include <utility>

namespace upd {

template <class Action>
class [[nodiscard]] ScopeGuard {
public:
    explicit ScopeGuard(Action action) : action_(std::move(action)) {}
    // The action runs in a destructor: an exception leaving it ends the program, so an
    // action that can fail catches inside and says why the failure may be dropped.
    ~ScopeGuard() {
        if (armed_) action_();
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    // The scope ended as planned: the action is not needed.
    void dismiss() noexcept { armed_ = false; }

private:
    Action action_;
    bool armed_ = true;
};

} // namespace upd
