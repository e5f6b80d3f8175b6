// What an all-or-nothing file replacement needs of the file system beyond plain renames:
// flushing to the disk, free space, and whether a folder's entries may be changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace upd::files {

// Flushes everything written to the file system that holds `path` (one call for a whole
// tree of new files, where one flush per file would cost a disk round trip each).
std::error_code syncFileSystem(const std::string& path);

// Flushes one file's data to the disk.
std::error_code syncFile(const std::string& path);

// Flushes a folder's entries, so that renames and removals in it survive a power loss.
std::error_code syncFolder(const std::string& folder);

// Bytes the current user may still write on the file system of `path`; nothing when unknown.
std::optional<uint64_t> freeBytes(const std::string& path);

// True when entries may be added to and removed from `folder` by this process.
bool folderWritable(const std::string& folder);

// Whether the file at `path` can be renamed now. On Windows a program that holds the file open
// without delete sharing (the package's program still running, a database open elsewhere)
// keeps it in place; after a short wait that is reported as device_or_resource_busy, on every
// platform the same. POSIX has no such hold (its locks are advisory, a rename ignores them):
// there the answer is always yes.
std::error_code checkMovable(const std::string& path);

} // namespace upd::files
