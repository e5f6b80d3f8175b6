#include "archive/archive_error.h"

#include <array>
#include <cstdio>

namespace upd {
namespace {

// Error code of each native error 0..67.
constexpr std::array<int, 68> kCodeOfNative = {
    0,  1,  1,  1,  1,  2,  3,  1,  4,  5,   // 0-9
    5,  6,  6,  7,  7,  6,  1,  8,  6,  9,   // 10-19
    10, 1,  11, 9,  1,  11, 13, 14, 15, 5,   // 20-29
    6,  6,  16, 12, 17, 18, 19, 20, 6,  21,  // 30-39
    22, 23, 6,  23, 24, 24, 25, 26, 27, 28,  // 40-49
    29, 30, 31, 6,  6,  32, 33, 27, 34, 34,  // 50-59
    35, 36, 37, 38, 38, 39, 39, 40,          // 60-67
};

const std::array<std::string, 41> kTexts = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid size or check sum of file or unsupported compression format",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    "Cannot find 64-bit directory end record",
    "Cannot compress file '%s'. Zip64 mode is not enabled",
    "Cannot open archive file. Opening aborted or invalid file",
    "Write to stream error",
    "Cannot place SFX stub on volume. Volume size limit is too small",
    "Archive is damaged. Open failed",
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX",
    "Archive already has SFX stub",
    "Multi-volume archive is not allowed for custom stream",
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times",
    "Deflate64 compression method is not supported",
    "MakeSFX error",
    "Hashed list of file names is invalid",
    "Cannot delete folder \"%s\"",
    "File name is too long: \r\n\"%s\"",
    "Multiple transactions are not supported for multi-volume archives",
    "Invalid InitVector index = %d. Index should be >= 0 and < %d",
    "Disk is full. There is not enough free space on disk.",
    "Invalid password. Cannot decompress encrypted file.",
};

} // namespace

int archiveErrorCode(int nativeError) {
    if (nativeError < 0 || nativeError >= static_cast<int>(kCodeOfNative.size())) return 0;
    return kCodeOfNative[static_cast<size_t>(nativeError)];
}

const std::string& archiveErrorText(int errorCode) {
    if (errorCode < 0 || errorCode >= static_cast<int>(kTexts.size())) return kTexts[0];
    return kTexts[static_cast<size_t>(errorCode)];
}

std::string formatArchiveText(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'd')) {
            if (next < args.size()) out += args[next++];
            ++i;
            continue;
        }
        out.push_back(pattern[i]);
    }
    return out;
}

EArchiveError::EArchiveError(int nativeError, const std::string& componentName)
    : nativeError_(nativeError), errorCode_(archiveErrorCode(nativeError)) {
    compose(archiveErrorText(errorCode_), componentName);
}

EArchiveError::EArchiveError(int nativeError, const std::vector<std::string>& args, const std::string& componentName)
    : nativeError_(nativeError), errorCode_(archiveErrorCode(nativeError)) {
    compose(formatArchiveText(archiveErrorText(errorCode_), args), componentName);
}

EArchiveError EArchiveError::withText(int nativeError, const std::string& text, const std::string& componentName) {
    EArchiveError e;
    e.nativeError_ = nativeError;
    e.errorCode_ = archiveErrorCode(nativeError);
    e.compose(text, componentName);
    return e;
}

void EArchiveError::compose(const std::string& text, const std::string& componentName) {
    message_ = componentName.empty() ? text : componentName + ": " + text;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", nativeError_);
    message_ += " - Native error: ";
    message_ += digits;
}

EArchiveError archiveDamaged(const std::string& why) {
    const int native = native_error::kArchiveDamagedSizes;
    return EArchiveError::withText(native, archiveErrorText(archiveErrorCode(native)) + ": " + why);
}

} // namespace upd
