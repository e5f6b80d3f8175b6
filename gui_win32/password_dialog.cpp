#include "password_dialog.h"

#include "dialog_template.h"

namespace upd::win32gui {

namespace {

constexpr WORD kLabel = 100;
constexpr WORD kEdit = 101;
constexpr int kMaxLength = 255;

struct Exchange {
    const std::wstring& caption;
    const std::wstring& prompt;
    std::wstring& value;
};

// The label is sized to its text, as the template cannot know it.
void fitLabel(HWND dialog) {
    HWND label = GetDlgItem(dialog, kLabel);
    wchar_t text[256];
    const int n = GetWindowTextW(label, text, 256);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, n, &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT r;
    GetWindowRect(label, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(label, r.left, r.top, size.cx, size.cy, FALSE);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& x = *reinterpret_cast<Exchange*>(lParam);
        SetWindowTextW(dialog, x.caption.c_str());
        SetDlgItemTextW(dialog, kLabel, x.prompt.c_str());
        fitLabel(dialog);
        HWND edit = GetDlgItem(dialog, kEdit);
        SendMessageW(edit, EM_SETLIMITTEXT, kMaxLength, 0);
        // Every character shown as "*" (the themed edit box would draw dots).
        SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
        SetWindowTextW(edit, x.value.substr(0, kMaxLength).c_str());
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto& x = *reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
            wchar_t text[kMaxLength + 1];
            const int n = GetDlgItemTextW(dialog, kEdit, text, kMaxLength + 1);
            x.value.assign(text, static_cast<size_t>(n));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {  // Cancel, Esc and the close box
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

bool askPassword(HWND owner, const std::wstring& caption, const std::wstring& prompt, std::wstring& value) {
    // Client area 180 x 63 in dialog units of the font of a new window, centred on the screen.
    DialogTemplate t(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 180, 63, caption, 8, L"Tahoma");
    t.add(DialogTemplate::Kind::Static, kLabel, SS_LEFT | SS_NOPREFIX, 8, 8, 164, 8, prompt);
    t.add(DialogTemplate::Kind::Edit, kEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, 8, 19, 164, 12, L"");
    t.add(DialogTemplate::Kind::Button, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 38, 41, 50, 14, L"OK");
    t.add(DialogTemplate::Kind::Button, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 92, 41, 50, 14, L"Cancel");
    Exchange x{caption, prompt, value};
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, procedure,
                                   reinterpret_cast<LPARAM>(&x)) == IDOK;
}

} // namespace upd::win32gui
