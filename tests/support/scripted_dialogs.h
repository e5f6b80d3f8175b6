// Dialogs answered from a script, recording every request, for headless tests.
#pragma once

#include "ui/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace upd::testing {

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind;  // "message", "password" or "openFile"
        MessageRequest request;
    };

    // Answers given in order; once they run out, message() answers with the request's
    // first button (OK, Yes, Abort...), password() cancels and openFile() gives nothing.
    std::deque<DialogResult> messageAnswers;
    std::deque<std::optional<std::string>> passwordAnswers;
    std::deque<std::optional<std::string>> openFileAnswers;

    std::vector<Shown> shown;

    DialogResult message(const MessageRequest& request) override {
        shown.push_back({"message", request});
        if (!messageAnswers.empty()) {
            auto a = messageAnswers.front();
            messageAnswers.pop_front();
            return a;
        }
        switch (request.buttons) {
        case DialogButtons::AbortRetryIgnore: return DialogResult::Abort;
        case DialogButtons::YesNo:
        case DialogButtons::YesNoCancel: return DialogResult::Yes;
        case DialogButtons::RetryCancel: return DialogResult::Retry;
        default: return DialogResult::Ok;
        }
    }

    bool password(const std::string& caption, const std::string& prompt, std::string& value) override {
        shown.push_back({"password", {prompt, caption}});
        if (passwordAnswers.empty()) return false;
        auto a = passwordAnswers.front();
        passwordAnswers.pop_front();
        if (!a) return false;
        value = *a;
        return true;
    }

    std::optional<std::string> openFile(const OpenFileRequest& request) override {
        shown.push_back({"openFile", {request.title, request.filter}});
        if (openFileAnswers.empty()) return std::nullopt;
        auto a = openFileAnswers.front();
        openFileAnswers.pop_front();
        return a;
    }

    std::vector<MessageRequest> messages() const {
        std::vector<MessageRequest> out;
        for (const auto& s : shown)
            if (s.kind == "message") out.push_back(s.request);
        return out;
    }
};

} // namespace upd::testing
