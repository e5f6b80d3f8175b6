// The modal dialogs through which the core asks and tells the user. The Qt front end
// shows real dialogs; the console front end and the tests answer them by script.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace upd {

// Results as the platform's message boxes number them.
enum class DialogResult : int {
    None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, NoToAll = 13, YesToAll = 14
};

enum class DialogButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel, AbortIgnore, YesNoNoToAllYesToAll };

enum class DialogIcon { None, Error, Question, Warning, Information };

struct MessageRequest {
    std::string text;
    std::string caption;
    DialogButtons buttons = DialogButtons::Ok;
    DialogIcon icon = DialogIcon::None;
    int defaultButton = 0;  // index of the default button, from the left
};

struct OpenFileRequest {
    std::string title;
    std::string filter;  // "Description|*.ext" pairs, as the platform's dialog takes them
    std::string initialFolder;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual DialogResult message(const MessageRequest& request) = 0;
    // Masked text entry; false when the user cancels. `value` comes in as the initial text.
    virtual bool password(const std::string& caption, const std::string& prompt, std::string& value) = 0;
    virtual std::optional<std::string> openFile(const OpenFileRequest& request) = 0;
};

// The caption of notices and of the general error display: the executable's name up to
// its first full stop, the first letter in upper case and every later letter in lower case.
std::string programTitle(const std::string& executableName);

// The general error display's text: a full stop is added when the last character's code
// is above that of the full stop.
std::string errorDisplayText(const std::string& message);

// The message-box kinds of the main window.
class MessageBoxes {
public:
    MessageBoxes(Dialogs& dialogs, std::string title) : dialogs_(dialogs), title_(std::move(title)) {}

    // Text and OK, captioned with the program's title.
    void notice(const std::string& text);
    // Text, its own caption and OK, no icon.
    void box(const std::string& text, const std::string& caption);
    // Yes/No question, Yes the default; returns the dialog result.
    DialogResult question(const std::string& text, const std::string& caption = {});
    // An error that no handler caught: error icon, program title, message with the full-stop rule.
    void showError(const std::string& message);

    const std::string& title() const { return title_; }
    Dialogs& dialogs() { return dialogs_; }

private:
    Dialogs& dialogs_;
    std::string title_;
};

} // namespace upd
