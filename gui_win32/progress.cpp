#include "progress.h"

#include "ui/progress_bar.h"

#include <commctrl.h>

namespace upd::win32gui {

Progress::Progress(HWND parent, int id, ProgressBar& bar)
    : bar_(bar),
      control_(CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr)) {
    SendMessageW(control_, PBM_SETRANGE32, min_, max_);
    SendMessageW(control_, PBM_SETPOS, 0, 0);
    show();
    bar_.addObserver([this] { show(); });
}

// The control is told only what changes what it shows: the model's position is set on every
// progress event, mostly to the value it already has.
void Progress::show() {
    if (bar_.min() != min_ || bar_.max() != max_) {
        min_ = bar_.min();
        max_ = bar_.max();
        SendMessageW(control_, PBM_SETRANGE32, min_, max_);
        position_ = -1;
    }
    if (bar_.position() != position_) {
        position_ = bar_.position();
        SendMessageW(control_, PBM_SETPOS, position_, 0);
    }
}

} // namespace upd::win32gui
