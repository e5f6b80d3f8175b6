#include "registry/scratch_registry.h"

#include "registry/file_registry_backend.h"
#include "support/temp_dir.h"

namespace upd::testing {

struct ScratchRegistry::Store {
    TempDir dir;
};

ScratchRegistry::ScratchRegistry() : store_(std::make_unique<Store>()) {}
ScratchRegistry::~ScratchRegistry() = default;

std::unique_ptr<RegistryBackend> ScratchRegistry::backend() const {
    return std::make_unique<FileRegistryBackend>((store_->dir / "registry.reg").string());
}

} // namespace upd::testing
