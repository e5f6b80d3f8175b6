// The core's dialogs as the platform's own: MessageBoxW, the password prompt, GetOpenFileNameW.
#pragma once

#include "ui/dialogs.h"

#include <windows.h>

namespace upd::win32gui {

class Win32Dialogs : public Dialogs {
public:
    // The window the dialogs are modal to (none until the main window exists).
    void setOwner(HWND owner) { owner_ = owner; }

    DialogResult message(const MessageRequest& request) override;
    bool password(const std::string& caption, const std::string& prompt, std::string& value) override;
    std::optional<std::string> openFile(const OpenFileRequest& request) override;

private:
    HWND owner_ = nullptr;
};

} // namespace upd::win32gui
