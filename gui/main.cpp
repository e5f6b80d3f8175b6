#include "gui_app.h"

int main(int argc, char** argv) { return upd::gui::run(argc, argv); }
