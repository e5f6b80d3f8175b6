#include "ui/dialogs.h"

#include "platform/text.h"

namespace upd {

std::string programTitle(const std::string& executableName) {
    std::string base = executableName;
    if (auto slash = base.find_last_of("/\\"); slash != std::string::npos) base = base.substr(slash + 1);
    if (auto dot = base.find('.'); dot != std::string::npos) base = base.substr(0, dot);
    auto cps = text::toU32(base);
    for (size_t i = 0; i < cps.size(); ++i) {
        if (i > 0) cps[i] = text::foldCase(cps[i]);  // the first letter stays as the file name has it
    }
    return text::fromU32(cps);
}

std::string errorDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void MessageBoxes::notice(const std::string& text) {
    dialogs_.message({text, title_, DialogButtons::Ok, DialogIcon::None, 0});
}

void MessageBoxes::box(const std::string& text, const std::string& caption) {
    dialogs_.message({text, caption, DialogButtons::Ok, DialogIcon::None, 0});
}

DialogResult MessageBoxes::question(const std::string& text, const std::string& caption) {
    return dialogs_.message({text, caption.empty() ? title_ : caption, DialogButtons::YesNo,
                             DialogIcon::Question, 0});
}

void MessageBoxes::showError(const std::string& message) {
    dialogs_.message({errorDisplayText(message), title_, DialogButtons::Ok, DialogIcon::Error, 0});
}

} // namespace upd
