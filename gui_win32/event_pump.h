// The core's event pump over the thread's Win32 message queue: pending messages are
// dispatched in place (PeekMessage, never waiting), and posted messages go to the main window
// with PostMessage.
#pragma once

#include "ui/event_pump.h"

#include <windows.h>

#include <functional>

namespace upd::win32gui {

// What the message loop does with a message before dispatching it (the keyboard interface of
// the windows); true when it has handled it. Shared by the loop and the pump.
using MessageFilter = std::function<bool(MSG&)>;

// An extraction asks for pending messages after every entry and again for every step of its
// progress, thousands of times a second, and under Wine each look at the queue is a call to
// the server. So the queue is looked at no more than once per frame of the screen: a call less
// than a frame after the end of the last round returns at once, and what waits is dispatched by
// the next call after it, or by the message loop when the operation returns to it. Nothing is
// dropped, and the window repaints and answers at the screen's pace.
class Win32EventPump : public EventPump {
public:
    static constexpr ULONGLONG kFrameMs = 16;

    explicit Win32EventPump(ULONGLONG intervalMs = kFrameMs) : intervalMs_(intervalMs) {}

    void setTarget(HWND window) { target_ = window; }
    void setFilter(MessageFilter filter) { filter_ = std::move(filter); }
    // Called before each round of messages, in the pump and in the loop (the log draws there).
    void setBeforeRound(std::function<void()> hook) { beforeRound_ = std::move(hook); }

    void processPendingEvents() override;
    void post(const PostedMessage& message) override;

    // Runs the message loop until WM_QUIT; returns its exit code.
    int run();

private:
    void dispatch(MSG& msg);

    HWND target_ = nullptr;
    MessageFilter filter_;
    std::function<void()> beforeRound_;
    ULONGLONG intervalMs_;
    ULONGLONG lastRun_ = 0;
    bool ran_ = false;
};

} // namespace upd::win32gui
