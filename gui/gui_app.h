// The program entry of the window front end (and the switch to the console front end).
#pragma once

namespace upd::gui {

int run(int argc, char** argv);

} // namespace upd::gui
