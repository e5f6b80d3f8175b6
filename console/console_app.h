// The console front end: runs the start-up report and the update unattended.
#pragma once

namespace upd::console {

int run(int argc, char** argv);

} // namespace upd::console
