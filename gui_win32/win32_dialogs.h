// The core's dialogs as the platform's own: MessageBoxW, the password prompt, GetOpenFileNameW.
#pragma once

#include "ui/dialogs.h"

#include <windows.h>

#include <functional>

namespace upd::win32gui {

class Win32Dialogs : public Dialogs {
public:
    // The window the dialogs are modal to (none until the main window exists).
    void setOwner(HWND owner) { owner_ = owner; }
    // Called before a dialog opens: the main window draws what it held back, so that it is whole
    // under the dialog (which may come in the middle of an extraction).
    void setBeforeModal(std::function<void()> hook) { beforeModal_ = std::move(hook); }

    DialogResult message(const MessageRequest& request) override;
    bool password(const std::string& caption, const std::string& prompt, std::string& value) override;
    std::optional<std::string> openFile(const OpenFileRequest& request) override;

private:
    void beforeModal() {
        if (beforeModal_) beforeModal_();
    }

    HWND owner_ = nullptr;
    std::function<void()> beforeModal_;
};

} // namespace upd::win32gui
