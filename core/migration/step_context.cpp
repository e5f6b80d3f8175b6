#include "migration/step_context.h"

#include "platform/files.h"

namespace upd {

std::string StepContext::updaterPath(const std::string& relative) const {
    std::string path = files::withTrailingSeparator(updaterFolder);
    for (char c : relative) path += c == '/' ? files::kSeparator : c;
    return path;
}

} // namespace upd
