#include "archive/user_requests.h"

#include "archive/archive_error.h"
#include "archive/base_archiver.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace upd {
namespace {

const char* const kConfirmCaption = "Confirm";

} // namespace

TFailureAction failureRequest(TBaseArchiver& archiver, const std::string& fileName, const EArchiveError& error) {
    TFailureAction action = TFailureAction::fxaIgnore;
    if (archiver.OnProcessFileFailure) {
        archiver.OnProcessFileFailure(archiver, fileName, TProcessOperation::poExtract, error.NativeError(),
                                      error.ErrorCode(), error.Message(), action);
        return action;
    }
    return failureQuestion(archiver.dialogs(), error.NativeError(), error.Message());
}

TFailureAction failureQuestion(Dialogs* dialogs, int nativeError, const std::string& message) {
    if (nativeError == native_error::kOpenAbortedSilently) return TFailureAction::fxaAbort;
    if (!dialogs) return TFailureAction::fxaAbort;
    DialogResult r;
    if (nativeError == native_error::kFileNameTooLong) {
        r = dialogs->message({message, kConfirmCaption, DialogButtons::AbortIgnore, DialogIcon::Question, 0});
    } else {
        r = dialogs->message({message + ". File processing error, possibly disk is full", kConfirmCaption,
                              DialogButtons::AbortRetryIgnore, DialogIcon::Question, 0});
    }
    if (r == DialogResult::Retry) return TFailureAction::fxaRetry;
    if (r == DialogResult::Ignore) return TFailureAction::fxaIgnore;
    return TFailureAction::fxaAbort;
}

bool overwriteQuestion(TBaseArchiver& archiver, const std::string& fileName, std::string& destination) {
    if (archiver.OnConfirmOverwrite) {
        bool confirm = true;
        archiver.OnConfirmOverwrite(archiver, fileName, destination, confirm);
        return confirm;
    }
    Dialogs* dialogs = archiver.dialogs();
    if (!dialogs) return false;
    const auto r = dialogs->message({"Overwrite file \"" + destination + "\" with \"" + fileName + "\"",
                                     kConfirmCaption, DialogButtons::YesNoNoToAllYesToAll, DialogIcon::Question, 0});
    switch (r) {
    case DialogResult::Yes:
        return true;
    case DialogResult::YesToAll:
        archiver.Options().OverwriteMode = TOverwriteMode::omAlways;
        return true;
    case DialogResult::NoToAll:
        archiver.Options().OverwriteMode = TOverwriteMode::omNever;
        return false;
    default:
        return false;
    }
}

bool passwordRequest(TBaseArchiver& archiver, const std::string& entryName) {
    if (archiver.OnPassword) {
        // NewPassword starts as the component's password; what the handler leaves there
        // becomes it (a handler that set the property itself instead keeps its choice).
        const std::string before = archiver.Password();
        std::string password = before;
        bool skip = false;
        archiver.OnPassword(archiver, entryName, password, skip);
        if (password != before) archiver.setPassword(std::move(password));
        return !skip;
    }
    Dialogs* dialogs = archiver.dialogs();
    if (!dialogs) return false;
    std::string typed;
    if (!dialogs->password("Password for \"" + entryName + "\"", "Enter password: ", typed)) return false;
    auto cps = text::toU32(typed);
    if (cps.size() > 255) cps.resize(255);  // the edit field's limit
    archiver.setPassword(codepage::utf8ToAnsi(text::fromU32(cps)));
    return true;
}

} // namespace upd
