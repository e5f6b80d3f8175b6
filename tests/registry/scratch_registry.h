// A registry store that a test owns, behind the backend the platform uses: a file in a fresh
// folder on Linux, a key of its own below HKEY_CURRENT_USER\Software on Windows (the real
// registry). Everything is removed at the end.
#pragma once

#include "registry/registry_backend.h"

#include <memory>
#include <string>

namespace upd::testing {

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // A fresh backend over the store, as one registry object of the program would have.
    std::unique_ptr<RegistryBackend> backend() const;

private:
    struct Store;
    std::unique_ptr<Store> store_;
};

} // namespace upd::testing
