#include "event_pump.h"

namespace upd::win32gui {

void Win32EventPump::processPendingEvents() {
    if (ran_ && GetTickCount64() - lastRun_ < intervalMs_) return;
    if (beforeRound_) beforeRound_();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the message loop, which ends the program once the operation returns.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        dispatch(msg);
    }
    // Counted from the end, so that a long round (a slow repaint) still leaves the work a frame.
    lastRun_ = GetTickCount64();
    ran_ = true;
}

void Win32EventPump::post(const PostedMessage& message) {
    if (target_)
        PostMessageW(target_, message.message, static_cast<WPARAM>(message.wParam), static_cast<LPARAM>(message.lParam));
}

int Win32EventPump::run() {
    MSG msg;
    BOOL got;
    for (;;) {
        if (beforeRound_) beforeRound_();
        got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) return 1;
        dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32EventPump::dispatch(MSG& msg) {
    if (filter_ && filter_(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

} // namespace upd::win32gui
