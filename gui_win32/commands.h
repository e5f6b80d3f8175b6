// The command identifiers of the main window's controls and menu items (WM_COMMAND); the
// window test's driver sends them as the menu would.
#pragma once

namespace upd::win32gui {

enum Command : unsigned {
    kButton1 = 101, kButton2, kButton3, kButton4, kButton5, kListBox1, kProgressBar1,
    kN2 = 201, kN6, kN3,
};

} // namespace upd::win32gui
