// libFuzzer target of the connection string: any path and password (the input split at its
// first NUL) built into the six-piece string read back exactly, with and without the password
// clause; and any bytes at all parse without a crash or a hang.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "db/connection_string.h"

namespace {

[[noreturn]] void broken(const char* what, const std::string& text) {
    std::fprintf(stderr, "connection string property broken: %s\n%s\n", what, text.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)upd::db::parseConnectionString(bytes);

    const size_t cut = bytes.find('\0');
    if (cut == std::string::npos) return 0;
    const std::string path = bytes.substr(0, cut);
    const std::string password = bytes.substr(cut + 1);
    // A NUL cannot be part of a file name or of a password typed by a user.
    if (password.find('\0') != std::string::npos || path.empty()) return 0;

    const std::string full = upd::db::buildConnectionString(path, password);
    const auto back = upd::db::parseConnectionString(full);
    if (!back) broken("no data source read back", full);
    if (back->dataSource != path) broken("the path reads back otherwise", full);
    if (back->password != password) broken("the password reads back otherwise", full);

    const std::string bare = upd::db::buildConnectionStringWithoutPassword(path);
    const auto bareBack = upd::db::parseConnectionString(bare);
    if (!bareBack || bareBack->dataSource != path || !bareBack->password.empty())
        broken("the string without a password reads back otherwise", bare);
    return 0;
}
