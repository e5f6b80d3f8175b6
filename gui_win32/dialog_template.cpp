#include "dialog_template.h"

namespace upd::win32gui {

DialogTemplate::DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title, WORD fontPoints,
                               const std::wstring& face) {
    dword(style | DS_SETFONT);
    dword(0);   // extended style
    word(0);    // item count, raised by add()
    word(0);    // x
    word(0);    // y
    word(static_cast<WORD>(cx));
    word(static_cast<WORD>(cy));
    word(0);    // no menu
    word(0);    // the dialog class
    text(title);
    word(fontPoints);
    text(face);
}

void DialogTemplate::add(Kind kind, WORD id, DWORD style, short x, short y, short cx, short cy,
                         const std::wstring& caption) {
    alignToDword();
    dword(style | WS_CHILD | WS_VISIBLE);
    dword(0);
    word(static_cast<WORD>(x));
    word(static_cast<WORD>(y));
    word(static_cast<WORD>(cx));
    word(static_cast<WORD>(cy));
    word(id);
    word(0xFFFF);
    word(static_cast<WORD>(kind));
    text(caption);
    word(0);  // no creation data
    ++words_[4];  // cdit: after style (2 words) and extended style (2 words)
}

void DialogTemplate::dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
}

void DialogTemplate::text(const std::wstring& s) {
    words_.insert(words_.end(), s.begin(), s.end());
    words_.push_back(0);
}

// vector<WORD> storage is aligned for at least WORD; items start on DWORD boundaries counted
// from the start of the template.
void DialogTemplate::alignToDword() {
    if (words_.size() % 2) words_.push_back(0);
}

} // namespace upd::win32gui
