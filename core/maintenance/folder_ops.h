// File-system moves and deletions of the maintenance steps, with the platform's rules:
// a move never replaces what is already there, and a file deletion never removes a folder.
#pragma once

#include <optional>
#include <string>

namespace upd::maintenance {

// Renames `from` to `to`; fails (false) when `to` exists, whatever it is.
bool moveWithoutReplace(const std::string& from, const std::string& to);

// Deletes a file or a link (a link to a folder included); a real folder is left alone.
bool deleteFileOrLink(const std::string& path);

// Removes an empty folder.
bool removeFolder(const std::string& path);

// The path that a removal-list line names below `folder` (which ends with the separator),
// or nothing when the line could lead outside it: an absolute line, a ".." step, or a
// folder on the way that resolves (through links) to a place outside `folder`.
// Backslashes in the line separate folders, as lists written on Windows have them.
//
// The list is written for Windows, where names ignore letter case: a name the folder does
// not hold exactly is matched without regard to case when exactly one entry matches. When
// several do, nothing is named and `ambiguous` (when given) is set.
std::optional<std::string> removalTarget(const std::string& folder, const std::string& line,
                                         bool* ambiguous = nullptr);

} // namespace upd::maintenance
