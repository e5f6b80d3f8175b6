// `update_3_2.exe --console ...`: a program of the GUI subsystem has no console and Windows
// does not wait for it, so the console work is handed over to update_3_2_console.exe beside it.
#pragma once

namespace upd::win32gui {

// Starts update_3_2_console.exe from this program's folder with this program's arguments
// (the command line's own text, quoting kept), on this program's standard handles or, when it
// has none, on the console of the process that started it; waits for it and returns its exit
// code. 1 when it cannot be started (the reason on standard error, or in a message box when
// there is nowhere to write).
int handOverToConsole();

} // namespace upd::win32gui
