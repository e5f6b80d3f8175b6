#include "log_list.h"

#include "ui/update_log.h"
#include "wide_text.h"

namespace upd::win32gui {

LogList::LogList(HWND parent, int id, UpdateLog& log)
    : log_(log),
      // No LBS_SORT: lines keep the order they came in. No integral height: the list fills the
      // panel to its last pixel.
      list_(CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                LBS_NOINTEGRALHEIGHT,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr)) {
    log_.addObserver([this](size_t index, bool selected) { appended(index, selected); });
    log_.addChangeObserver([this](size_t index) { changed(index); });
}

void LogList::setFont(HFONT font) {
    font_ = font;
    SelectObject(measure_.get(), font);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    widest_ = 0;
    const auto count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && i < static_cast<LRESULT>(log_.size()); ++i)
        widen(wide(log_.lines()[static_cast<size_t>(i)]));
}

void LogList::show() {
    if (!held_) return;
    held_ = false;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void LogList::appended(size_t index, bool selected) {
    if (!held_) {
        held_ = true;
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    const std::wstring line = wide(log_.lines()[index]);
    SendMessageW(list_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(line.c_str()));
    widen(line);
    if (selected) SendMessageW(list_, LB_SETCURSEL, index, 0);
}

void LogList::changed(size_t index) {
    if (!held_) {
        held_ = true;
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    const std::wstring line = wide(log_.lines()[index]);
    const auto selected = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    SendMessageW(list_, LB_DELETESTRING, index, 0);
    SendMessageW(list_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(line.c_str()));
    if (selected == static_cast<LRESULT>(index)) SendMessageW(list_, LB_SETCURSEL, index, 0);
    widen(line);
}

// A list box scrolls sideways only as far as it is told; lines are never shortened, so the
// extent only grows.
void LogList::widen(const std::wstring& line) {
    SIZE size{};
    GetTextExtentPoint32W(measure_.get(), line.c_str(), static_cast<int>(line.size()), &size);
    if (size.cx + 8 > widest_) {
        widest_ = size.cx + 8;
        SendMessageW(list_, LB_SETHORIZONTALEXTENT, widest_, 0);
    }
}

} // namespace upd::win32gui
