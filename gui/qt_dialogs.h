// Real modal dialogs for the core's requests.
#pragma once

#include "ui/dialogs.h"

class QWidget;

namespace upd::gui {

class QtDialogs : public Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    DialogResult message(const MessageRequest& request) override;
    bool password(const std::string& caption, const std::string& prompt, std::string& value) override;
    std::optional<std::string> openFile(const OpenFileRequest& request) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace upd::gui
