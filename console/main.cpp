#include "console_app.h"

int main(int argc, char** argv) { return upd::console::run(argc, argv); }
