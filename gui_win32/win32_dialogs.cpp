#include "win32_dialogs.h"

#include "dialog_template.h"
#include "password_dialog.h"
#include "wide_text.h"

#include <commdlg.h>

#include <vector>

namespace upd::win32gui {

namespace {

UINT buttonsOf(DialogButtons buttons) {
    switch (buttons) {
    case DialogButtons::Ok: return MB_OK;
    case DialogButtons::OkCancel: return MB_OKCANCEL;
    case DialogButtons::AbortRetryIgnore: return MB_ABORTRETRYIGNORE;
    case DialogButtons::YesNoCancel: return MB_YESNOCANCEL;
    case DialogButtons::YesNo: return MB_YESNO;
    case DialogButtons::RetryCancel: return MB_RETRYCANCEL;
    case DialogButtons::AbortIgnore:
    case DialogButtons::YesNoNoToAllYesToAll: break;  // not among MessageBox's sets: a dialog of its own
    }
    return MB_OK;
}

UINT iconOf(DialogIcon icon) {
    switch (icon) {
    case DialogIcon::Error: return MB_ICONERROR;
    case DialogIcon::Question: return MB_ICONQUESTION;
    case DialogIcon::Warning: return MB_ICONWARNING;
    case DialogIcon::Information: return MB_ICONINFORMATION;
    case DialogIcon::None: break;
    }
    return 0;
}

UINT defaultOf(int index) {
    static constexpr UINT kDefaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3, MB_DEFBUTTON4};
    return index >= 0 && index < 4 ? kDefaults[index] : MB_DEFBUTTON1;
}

struct Choice {
    WORD id;
    const wchar_t* caption;
};

INT_PTR CALLBACK choiceProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// A message with buttons that MessageBox does not offer (Abort/Ignore; Yes, No, No to all,
// Yes to all), in the same place and font. Closing it gives Cancel, as the platform's boxes do.
DialogResult choiceBox(HWND owner, const MessageRequest& request, const std::vector<Choice>& choices) {
    const short width = static_cast<short>(16 + 56 * choices.size());
    const short boxWidth = width < 220 ? 220 : width;
    DialogTemplate t(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, boxWidth, 62,
                     wide(request.caption), 8, L"Tahoma");
    t.add(DialogTemplate::Kind::Static, 0xFFFF, SS_LEFT | SS_NOPREFIX, 8, 8, static_cast<short>(boxWidth - 16), 26,
          wide(request.text));
    short x = static_cast<short>((boxWidth - 56 * static_cast<short>(choices.size()) + 6) / 2);
    for (size_t i = 0; i < choices.size(); ++i, x += 56) {
        const DWORD kind = static_cast<int>(i) == request.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        t.add(DialogTemplate::Kind::Button, choices[i].id, WS_TABSTOP | kind, x, 40, 50, 14, choices[i].caption);
    }
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, choiceProcedure, 0);
    return r > 0 ? static_cast<DialogResult>(r) : DialogResult::Cancel;
}

} // namespace

DialogResult Win32Dialogs::message(const MessageRequest& request) {
    beforeModal();
    if (request.buttons == DialogButtons::AbortIgnore)
        return choiceBox(owner_, request, {{IDABORT, L"Abort"}, {IDIGNORE, L"Ignore"}});
    if (request.buttons == DialogButtons::YesNoNoToAllYesToAll)
        return choiceBox(owner_, request,
                         {{IDYES, L"Yes"}, {IDNO, L"No"}, {static_cast<WORD>(DialogResult::NoToAll), L"No to All"},
                          {static_cast<WORD>(DialogResult::YesToAll), L"Yes to All"}});
    const std::wstring text = wide(request.text), caption = wide(request.caption);
    // The box's results are numbered as DialogResult is.
    const int r = MessageBoxW(owner_, text.c_str(), caption.c_str(),
                              buttonsOf(request.buttons) | iconOf(request.icon) | defaultOf(request.defaultButton));
    return static_cast<DialogResult>(r);
}

bool Win32Dialogs::password(const std::string& caption, const std::string& prompt, std::string& value) {
    beforeModal();
    std::wstring typed = wide(value);
    if (!askPassword(owner_, wide(caption), wide(prompt), typed)) return false;
    value = narrow(typed);
    return true;
}

std::optional<std::string> Win32Dialogs::openFile(const OpenFileRequest& request) {
    beforeModal();
    // "Description|*.ext|..." is the platform's own filter with '|' for the NULs between the parts.
    std::wstring filter = wide(request.filter);
    for (auto& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    const std::wstring title = wide(request.title), folder = wide(request.initialFolder);
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return narrow(file.data());
}

} // namespace upd::win32gui
