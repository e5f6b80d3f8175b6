// The fonts of the windows' design: Tahoma and Times New Roman, sizes in points or in pixels
// at 96 dots per inch, scaled to the window's DPI.
#pragma once

#include "gdi_handles.h"

namespace upd::win32gui::fonts {

Font pointSize(const wchar_t* face, int points, bool bold, UINT dpi);
Font pixelSize(const wchar_t* face, int pixels, bool bold, UINT dpi);

inline constexpr const wchar_t* kTahoma = L"Tahoma";
inline constexpr const wchar_t* kTimes = L"Times New Roman";

// A design value in pixels at 96 DPI, at the window's DPI.
inline int scaled(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

// The DPI of a window; 96 before per-monitor DPI exists (Windows 8.1 and older).
UINT dpiOf(HWND window);

} // namespace upd::win32gui::fonts
