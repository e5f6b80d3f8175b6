#include "terminal.h"

#include <unistd.h>

namespace upd::console {

bool errorStreamIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }
bool outputStreamIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

} // namespace upd::console
