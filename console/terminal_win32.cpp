#include "terminal.h"

#include <windows.h>

namespace upd::console {

// A console has a mode; a file or a pipe has none.
bool errorStreamIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

bool outputStreamIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

} // namespace upd::console
