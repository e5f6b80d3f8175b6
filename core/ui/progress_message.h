// The progress message (WM_USER + 100) that transfers post to the main window.
#pragma once

#include "ui/event_pump.h"
#include "ui/progress_bar.h"

#include <cstdint>

namespace upd {

// The window message through which transfers move the progress bar.
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_PROGRESS = WM_USER + 100;

// wParam 0: maximum := lParam, position := 0; wParam 1: position := lParam; else nothing.
// lParam carries 32 bits.
void applyProgressMessage(ProgressBar& bar, uintptr_t wParam, intptr_t lParam);

// The messages that a transfer's work events post: low 32 bits of the 64-bit counts.
PostedMessage workBeginMessage(int64_t expectedTotal);
PostedMessage workMessage(int64_t countSoFar);

} // namespace upd
