#include "console_dialogs.h"

namespace upd::console {

DialogResult ConsoleDialogs::message(const MessageRequest& request) {
    saying();
    err_ << request.caption << ": " << request.text << "\n";
    DialogResult answer = DialogResult::Ok;
    switch (request.buttons) {
    case DialogButtons::Ok: answer = DialogResult::Ok; break;
    case DialogButtons::OkCancel: answer = DialogResult::Cancel; break;
    case DialogButtons::YesNo:
    case DialogButtons::YesNoCancel: answer = answerYes_ ? DialogResult::Yes : DialogResult::No; break;
    // A failed entry is never retried unattended: abort the rest of the extraction.
    case DialogButtons::AbortRetryIgnore:
    case DialogButtons::AbortIgnore: answer = DialogResult::Abort; break;
    // Never replace a file unattended without being told to.
    case DialogButtons::YesNoNoToAllYesToAll: answer = answerYes_ ? DialogResult::Yes : DialogResult::No; break;
    case DialogButtons::RetryCancel: answer = DialogResult::Cancel; break;
    }
    static constexpr const char* names[] = {"None", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    if (request.buttons != DialogButtons::Ok) err_ << "  (answered " << names[static_cast<int>(answer)] << ")\n";
    err_.flush();
    return answer;
}

bool ConsoleDialogs::password(const std::string& caption, const std::string& prompt, std::string&) {
    saying();
    err_ << caption << ": " << prompt << "\n  (refused: no password can be typed in console mode)\n";
    err_.flush();
    return false;
}

std::optional<std::string> ConsoleDialogs::openFile(const OpenFileRequest& request) {
    saying();
    err_ << (request.title.empty() ? "Open" : request.title) << ": "
         << (openFile_.empty() ? "(no file given: use --open FILE)" : openFile_) << "\n";
    err_.flush();
    if (openFile_.empty()) return std::nullopt;
    return openFile_;
}

} // namespace upd::console
