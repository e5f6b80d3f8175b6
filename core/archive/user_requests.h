// The component's questions to the user during extraction: its event handler when one is
// assigned, else the default dialog (or a refusal when there are no dialogs).
#pragma once

#include <string>

#include "archive/archive_types.h"

namespace upd {

class Dialogs;
class EArchiveError;
class TBaseArchiver;

// An entry failed: retry it, ignore it or abort the operation.
TFailureAction failureRequest(TBaseArchiver& archiver, const std::string& fileName, const EArchiveError& error);

// The default failure question, as the component asks it when no handler is assigned.
TFailureAction failureQuestion(Dialogs* dialogs, int nativeError, const std::string& message);

// An existing file would be replaced (overwrite mode omPrompt). True to replace; the
// destination may have been changed. "Yes/No to all" changes the overwrite mode.
bool overwriteQuestion(TBaseArchiver& archiver, const std::string& fileName, std::string& destination);

// The password did not fit entry `entryName`: asks for another, which becomes the
// component's password. False when the user would rather skip the entry.
bool passwordRequest(TBaseArchiver& archiver, const std::string& entryName);

} // namespace upd
