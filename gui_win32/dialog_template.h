// An in-memory dialog template (DLGTEMPLATE with its items), for the dialogs made at run time.
// Positions and sizes are in dialog units of the template's font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace upd::win32gui {

class DialogTemplate {
public:
    // Predefined control classes, by their atoms.
    enum class Kind : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082 };

    DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title, WORD fontPoints, const std::wstring& face);
    void add(Kind kind, WORD id, DWORD style, short x, short y, short cx, short cy, const std::wstring& text);

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void dword(DWORD v);
    void word(WORD v) { words_.push_back(v); }
    void text(const std::wstring& s);
    void alignToDword();

    std::vector<WORD> words_;  // WORD-aligned from the start, as the template must be
};

} // namespace upd::win32gui
