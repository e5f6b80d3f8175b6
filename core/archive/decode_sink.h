// What decoding one entry needs from the component, and nothing more: the progress events,
// the writes into the entry's output file and the password request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_handle.h"

namespace upd {

class DecodeSink {
public:
    virtual ~DecodeSink() = default;

    // Raises the progress events for `done` of `total` bytes; false once the operation is
    // cancelled (no more of the entry is decoded).
    virtual bool progress(int64_t done, int64_t total) = 0;
    // Writes into the entry's output file at `offset`, asking about a full disk as needed;
    // false when the user cancelled there.
    virtual bool write(const uint8_t* data, size_t n, uint64_t offset) = 0;
    // The password entries are tried with.
    virtual const std::string& password() const = 0;
    // Asks for another password after the entry refused this one; false when the user
    // would rather skip the entry.
    virtual bool requestPassword() = 0;
    // Puts the unnamed file a worker decoded the entry into (same file system) in place of
    // the output file; false, with nothing changed, when it cannot.
    virtual bool adoptOutput(const files::FileHandle& unnamed) = 0;
};

} // namespace upd
