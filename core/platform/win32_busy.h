// A file another program holds open without delete sharing cannot be renamed on Windows.
// Such holds are often brief (a virus scanner looking at a new file, an indexer), so the
// calls that meet one wait a few hundred milliseconds before reporting it, as installers do.
#pragma once

#include <windows.h>

#include <system_error>

namespace upd::files::win32 {

inline constexpr int kBusyAttempts = 10;
inline constexpr DWORD kBusyPauseMs = 50;

inline bool heldByAnother(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// Repeats `attempt` (a BOOL-returning Win32 call wrapped in a lambda) while the file is held;
// `alsoBusy` names one more error worth waiting out. The last error is left as the call set it.
template <class Attempt>
bool retryWhileHeld(Attempt attempt, DWORD alsoBusy = ERROR_SUCCESS) {
    for (int i = 1;; ++i) {
        if (attempt()) return true;
        const DWORD error = GetLastError();
        if (i == kBusyAttempts || !(heldByAnother(error) || (alsoBusy != ERROR_SUCCESS && error == alsoBusy)))
            return false;
        Sleep(kBusyPauseMs);
        SetLastError(error);
    }
}

} // namespace upd::files::win32
