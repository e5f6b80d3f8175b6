// The fonts of the windows' design: Tahoma and Times New Roman, sizes in points or pixels.
#pragma once

#include <QFont>

namespace upd::gui::fonts {

inline QFont make(const char* family, bool bold) {
    QFont f(family);
    f.setBold(bold);
    return f;
}
inline QFont tahoma(int points) {
    QFont f = make("Tahoma", false);
    f.setPointSize(points);
    return f;
}
inline QFont tahomaPx(int px, bool bold) {
    QFont f = make("Tahoma", bold);
    f.setPixelSize(px);
    return f;
}
inline QFont timesPx(int px, bool bold) {
    QFont f = make("Times New Roman", bold);
    f.setPixelSize(px);
    return f;
}

} // namespace upd::gui::fonts
