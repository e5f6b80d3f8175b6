// Whether the console program's streams go to a terminal: there a progress line that rewrites
// itself can be shown, and the log is shown line by line as it grows.
#pragma once

namespace upd::console {

bool errorStreamIsTerminal();
bool outputStreamIsTerminal();

} // namespace upd::console
