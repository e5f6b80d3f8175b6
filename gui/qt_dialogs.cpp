#include "qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace upd::gui {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    DialogResult result;
};

std::vector<ButtonSpec> buttonsOf(DialogButtons buttons) {
    using B = QMessageBox;
    switch (buttons) {
    case DialogButtons::Ok: return {{B::Ok, DialogResult::Ok}};
    case DialogButtons::OkCancel: return {{B::Ok, DialogResult::Ok}, {B::Cancel, DialogResult::Cancel}};
    case DialogButtons::AbortRetryIgnore:
        return {{B::Abort, DialogResult::Abort}, {B::Retry, DialogResult::Retry}, {B::Ignore, DialogResult::Ignore}};
    case DialogButtons::YesNoCancel:
        return {{B::Yes, DialogResult::Yes}, {B::No, DialogResult::No}, {B::Cancel, DialogResult::Cancel}};
    case DialogButtons::YesNo: return {{B::Yes, DialogResult::Yes}, {B::No, DialogResult::No}};
    case DialogButtons::RetryCancel: return {{B::Retry, DialogResult::Retry}, {B::Cancel, DialogResult::Cancel}};
    case DialogButtons::AbortIgnore: return {{B::Abort, DialogResult::Abort}, {B::Ignore, DialogResult::Ignore}};
    case DialogButtons::YesNoNoToAllYesToAll:
        return {{B::Yes, DialogResult::Yes},
                {B::No, DialogResult::No},
                {B::NoToAll, DialogResult::NoToAll},
                {B::YesToAll, DialogResult::YesToAll}};
    }
    return {{B::Ok, DialogResult::Ok}};
}

QMessageBox::Icon iconOf(DialogIcon icon) {
    switch (icon) {
    case DialogIcon::Error: return QMessageBox::Critical;
    case DialogIcon::Question: return QMessageBox::Question;
    case DialogIcon::Warning: return QMessageBox::Warning;
    case DialogIcon::Information: return QMessageBox::Information;
    case DialogIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

DialogResult QtDialogs::message(const MessageRequest& request) {
    QMessageBox box(iconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), QMessageBox::NoButton, parent_);
    const auto specs = buttonsOf(request.buttons);
    for (const auto& s : specs) box.addButton(s.button);
    if (request.defaultButton >= 0 && request.defaultButton < static_cast<int>(specs.size()))
        box.setDefaultButton(specs[request.defaultButton].button);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const auto& s : specs)
        if (s.button == pressed) return s.result;
    // Closed with the window's close button or Esc: the platform reports Cancel (or No, or Ok).
    return specs.size() == 1 ? DialogResult::Ok : DialogResult::Cancel;
}

bool QtDialogs::password(const std::string& caption, const std::string& prompt, std::string& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, QString::fromStdString(caption), QString::fromStdString(prompt),
                                               QLineEdit::Password, QString::fromStdString(value), &ok);
    if (ok) value = text.toStdString();
    return ok;
}

std::optional<std::string> QtDialogs::openFile(const OpenFileRequest& request) {
    QString filter = QString::fromStdString(request.filter);
    // "Description|*.ext|..." pairs become Qt's "Description (*.ext);;..." form
    QStringList parts = filter.split('|');
    QStringList qtFilters;
    for (int i = 0; i + 1 < parts.size(); i += 2) qtFilters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    const QString file = QFileDialog::getOpenFileName(parent_, QString::fromStdString(request.title),
                                                      QString::fromStdString(request.initialFolder), qtFilters.join(";;"));
    if (file.isEmpty()) return std::nullopt;
    return file.toStdString();
}

} // namespace upd::gui
