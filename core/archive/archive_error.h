// The archive component's error: a native error number, the error code it maps to and
// the message "<component>: <text> - Native error: 00000".
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace upd {

// Native error numbers raised on the read path.
namespace native_error {
inline constexpr int kCompressionFailed = 8;     // size, checksum or method
inline constexpr int kBlankFileName = 9;         // OpenArchive()
inline constexpr int kBlankFileNameMode = 10;    // OpenArchive(mode)
inline constexpr int kFileNotFound = 12;
inline constexpr int kArchiveNotOpen = 13;
inline constexpr int kIndexOutOfBounds = 16;
inline constexpr int kCannotCreateFile = 19;
inline constexpr int kCannotCreateDir = 20;
inline constexpr int kInvalidArchive = 35;
inline constexpr int kArchiveIsOpen = 37;
inline constexpr int kNoZip64DirEnd = 40;
inline constexpr int kOpenAborted = 44;
inline constexpr int kOpenAbortedSilently = 45;
inline constexpr int kArchiveDamaged = 48;
inline constexpr int kDeflate64 = 55;
inline constexpr int kArchiveDamagedSizes = 57;
inline constexpr int kHashedListInvalid = 59;
inline constexpr int kFileNameTooLong = 61;
inline constexpr int kDiskFull = 65;
} // namespace native_error

// Error code of a native error (0 when the table has no pair for it).
int archiveErrorCode(int nativeError);
// The text of an error code, placeholders unfilled; "Unknown error" for an unknown code.
const std::string& archiveErrorText(int errorCode);
// Fills "%s" and "%d" placeholders in order with the given arguments.
std::string formatArchiveText(const std::string& pattern, const std::vector<std::string>& args);

class EArchiveError : public std::exception {
public:
    // Create(NativeErr, Component): the text of the error code, unformatted.
    explicit EArchiveError(int nativeError, const std::string& componentName = {});
    // Create(NativeErr, Args, Component).
    EArchiveError(int nativeError, const std::vector<std::string>& args, const std::string& componentName = {});
    // An error whose text is not one of the table's (refused entry names).
    static EArchiveError withText(int nativeError, const std::string& text, const std::string& componentName = {});

    int NativeError() const noexcept { return nativeError_; }
    int ErrorCode() const noexcept { return errorCode_; }
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    EArchiveError() = default;
    void compose(const std::string& text, const std::string& componentName);

    int nativeError_ = 0;
    int errorCode_ = 0;
    std::string message_;
};

// Native error 57, "Archive is damaged. Open failed", with what is wrong after a colon.
EArchiveError archiveDamaged(const std::string& why);

} // namespace upd
