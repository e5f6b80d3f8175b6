// The operations that support staff run by name (the console's --step): one table from
// name to operation, in the order an upgrade of a school takes them.
#pragma once

#include <span>
#include <string_view>

namespace upd {

class TfmMain;

struct CatalogueStep {
    std::string_view name;
    bool (*run)(TfmMain& form);  // the operation's success flag
};

std::span<const CatalogueStep> stepCatalogue();

// The step of that name, or nullptr.
const CatalogueStep* findCatalogueStep(std::string_view name);

} // namespace upd
