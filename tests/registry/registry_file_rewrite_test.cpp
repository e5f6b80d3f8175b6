// The registry file of --registry on both platforms: a value written into a file that exists
// replaces the file in one step. Windows replaces no file that is still open, so the backend
// must have let go of the old file by then.
#include "registry/file_registry_backend.h"
#include "registry/installation_registry.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace upd {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(RegistryFile, AValueIsWrittenIntoAFileThatExists) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    writeFile(path,
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n"
              "\"ProgrammVersion\"=\"3.1\"\r\n");
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.1");
    ASSERT_NO_THROW(registry.Write("mirela", "ProgrammVersion", "3.2"));
    ASSERT_NO_THROW(registry.Write("Lornet", "ProgrammVersion", "3.2"));  // and again
    EXPECT_EQ(InstallationRegistry(std::make_unique<FileRegistryBackend>(path.string())).Read("mirela", "ProgrammVersion", ""),
              "3.2");
    EXPECT_NE(readFile(path).find("[HKEY_CURRENT_USER\\Software\\Lornet]"), std::string::npos);
}

} // namespace
} // namespace upd
