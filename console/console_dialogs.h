// Dialogs for an unattended run: every message goes to standard error as "caption: text",
// and every question gets a fixed answer that is said there too, so nothing can wait for a
// person who is not there.
#pragma once

#include "ui/dialogs.h"

#include <functional>
#include <ostream>

namespace upd::console {

class ConsoleDialogs : public Dialogs {
public:
    ConsoleDialogs(std::ostream& err, bool answerYes, std::string openFile)
        : err_(err), answerYes_(answerYes), openFile_(std::move(openFile)) {}

    DialogResult message(const MessageRequest& request) override;
    bool password(const std::string& caption, const std::string& prompt, std::string& value) override;
    std::optional<std::string> openFile(const OpenFileRequest& request) override;

    // Called before anything is said: the log written so far goes out first, so that a
    // question follows the lines that led to it wherever both streams go.
    std::function<void()> beforeSaying;

private:
    void saying() const {
        if (beforeSaying) beforeSaying();
    }

    std::ostream& err_;
    bool answerYes_;
    std::string openFile_;
};

} // namespace upd::console
