// Whether the console program's error stream goes to a terminal, where a progress line that
// rewrites itself can be shown.
#pragma once

namespace upd::console {

bool errorStreamIsTerminal();

} // namespace upd::console
