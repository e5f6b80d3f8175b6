#include "console_app.h"

namespace upd::console {

int run(int, char**) { return 0; }

} // namespace upd::console
