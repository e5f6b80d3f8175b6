// The update log as a LISTBOX: shows the lines of the core's log as they are appended, and
// selects the line that the log selects (which scrolls it into view).
// A list box draws each new line, its selection and its scroll bar at once, through the display
// (under Wine some two hundred requests to the X server per line), and an extraction appends
// thousands of lines between two rounds of messages. So the list stops drawing at the first
// line that arrives and draws everything once when messages are next let run (`show`), which
// happens at least once a frame while the lines come: the same picture at the screen's pace.
#pragma once

#include "gdi_handles.h"

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
    // Draws what arrived since the last call; called before each round of messages.
    void show();

private:
    void appended(size_t index, bool selected);
    void changed(size_t index);
    void widen(const std::wstring& line);

    UpdateLog& log_;
    HWND list_;
    MemoryDc measure_;  // measures lines off screen
    HFONT font_ = nullptr;
    bool held_ = false;  // drawing stopped since the last show()
    int widest_ = 0;  // the horizontal extent: the widest line so far, in pixels
};

} // namespace upd::win32gui
