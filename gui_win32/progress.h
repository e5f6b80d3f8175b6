// The progress bar as a PROGRESS_CLASS control: shows the range and position of the core's bar.
#pragma once

#include <windows.h>

namespace upd { class ProgressBar; }

namespace upd::win32gui {

class Progress {
public:
    Progress(HWND parent, int id, ProgressBar& bar);
    HWND handle() const { return control_; }

private:
    void show();

    ProgressBar& bar_;
    HWND control_;
    int min_ = 0, max_ = 100;  // what the control was last given
    int position_ = 0;
};

} // namespace upd::win32gui
