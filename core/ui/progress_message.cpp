#include "ui/progress_message.h"

#include "ui/progress_message.h"

namespace upd {

void applyProgressMessage(ProgressBar& bar, uintptr_t wParam, intptr_t lParam) {
    const auto value = static_cast<int32_t>(static_cast<uint32_t>(lParam));
    if (wParam == 0) {
        bar.setMax(value);
        bar.setPosition(0);
    } else if (wParam == 1) {
        bar.setPosition(value);
    }
}

PostedMessage workBeginMessage(int64_t expectedTotal) {
    return {WM_PROGRESS, 0, static_cast<intptr_t>(static_cast<uint32_t>(expectedTotal))};
}

PostedMessage workMessage(int64_t countSoFar) {
    return {WM_PROGRESS, 1, static_cast<intptr_t>(static_cast<uint32_t>(countSoFar))};
}

} // namespace upd
