// The update log as a LISTBOX: shows the lines of the core's log as they are appended, and
// selects the line that the log selects (which scrolls it into view).
#pragma once

#include <windows.h>

#include <string>

namespace upd { class UpdateLog; }

namespace upd::win32gui {

class LogList {
public:
    LogList(HWND parent, int id, UpdateLog& log);
    HWND handle() const { return list_; }
    // A new font (the window's DPI changed): the line height and the widest line follow it.
    void setFont(HFONT font);

private:
    void appended(size_t index, bool selected);
    void changed(size_t index);
    void widen(const std::wstring& line);

    UpdateLog& log_;
    HWND list_;
    HFONT font_ = nullptr;
    int widest_ = 0;  // the horizontal extent: the widest line so far, in pixels
};

} // namespace upd::win32gui
