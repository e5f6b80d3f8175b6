// The installation registry in the real Windows registry: the sections are keys below
// HKEY_CURRENT_USER\Software, every name and text passed to the platform as UTF-16.
#pragma once

#include "registry/installation_registry.h"

#include <memory>
#include <string>

namespace upd {

// A backend over HKEY_CURRENT_USER\<parent>, opening (or creating) that key with full rights at
// once; a failure to open it is not reported: reads then give their defaults and writes fail.
std::unique_ptr<RegistryBackend> win32RegistryBackend(const std::string& parent = "Software");

// An opener for the program's operations over HKEY_CURRENT_USER\Software.
RegistryOpener win32RegistryOpener();

} // namespace upd
