// libFuzzer target of the registry file: any bytes parsed as a registry export. A file that
// parses keeps every byte when nothing changes; setting a value changes that value only,
// and the result parses again to the same keys and values. A file that does not parse is
// refused with its line, and nothing else may come out; written through the file backend,
// such a file is refused and keeps every byte.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <unistd.h>

#include "registry/file_registry_backend.h"
#include "registry/reg_file.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "registry property broken: %s\n", what);
    std::abort();
}

// Every key and value of `before` is in `after` unchanged, but the one set.
void expectKept(upd::RegFile& before, upd::RegFile& after, std::string_view setKey, std::string_view setName) {
    for (auto& key : before.keys) {
        upd::RegFileKey* again = after.findKey(key.path);
        if (!again) broken("a key was lost");
        for (auto& value : key.values) {
            const bool theSetOne = before.findKey(setKey) == &key && key.findValue(setName) == &value;
            if (theSetOne) continue;
            const upd::RegFileValue* v = again->findValue(value.name);
            if (!v) broken("a value was lost");
            if (!(v->value == value.value)) broken("a value changed");
        }
    }
}

// <tmp>/fuzz_registry.<pid>.reg, removed at the end of the run.
const std::string& scratchFile() {
    static const struct Scratch {
        std::string path;
        Scratch() {
            const char* tmp = std::getenv("FUZZ_TMPDIR");
            path = (std::filesystem::path(tmp ? tmp : std::filesystem::temp_directory_path().string()) /
                    ("fuzz_registry." + std::to_string(::getpid()) + ".reg"))
                       .string();
        }
        ~Scratch() {
            std::error_code ec;
            std::filesystem::remove(path, ec);
            std::filesystem::remove(path + ".lock", ec);
        }
    } scratch;
    return scratch.path;
}

void expectRefusedAndKept(std::string_view bytes) {
    const std::string& path = scratchFile();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    upd::FileRegistryBackend backend(path, std::chrono::milliseconds(0));
    bool refused = false;
    try {
        backend.setValue("mirela", "ProgrammVersion", upd::textValue("3.2"));
    } catch (const std::exception&) {
        refused = true;
    }
    if (!refused) broken("a file that does not parse was written to");
    std::ifstream in(path, std::ios::binary);
    const std::string after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (after != bytes) broken("a file that does not parse was changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    upd::RegFile file;
    try {
        file = upd::parseRegFile(bytes, "fuzz.reg");
    } catch (const upd::RegFileParseError& e) {
        if (std::string_view(e.what()).find("fuzz.reg:") != 0) broken("a parse error without its line");
        expectRefusedAndKept(bytes);
        return 0;
    }
    if (!file.lines.empty() && file.bytes() != bytes) broken("an unchanged file is not its bytes");

    // Set a value the file has (or a new one) to a text, and once more to binary data.
    std::string keyPath = "HKEY_CURRENT_USER\\Software\\mirela";
    std::string name = "ProgrammVersion";
    if (!file.keys.empty()) {
        keyPath = file.keys.front().path;
        if (!file.keys.front().values.empty()) name = file.keys.front().values.front().name;
    }
    const upd::RegistryValue values[] = {upd::textValue("3.2"), {upd::RegType::Binary, {data, data + (size < 16 ? size : 16)}}};
    for (const auto& value : values) {
        upd::RegFile before = upd::parseRegFile(bytes, "fuzz.reg");
        file = upd::parseRegFile(bytes, "fuzz.reg");
        file.set(keyPath, name, value);
        const std::string written = file.bytes();
        upd::RegFile after;
        try {
            after = upd::parseRegFile(written, "written.reg");
        } catch (const upd::RegFileParseError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            broken("what was written does not parse");
        }
        upd::RegFileKey* key = after.findKey(keyPath);
        if (!key) broken("the key set is missing");
        const upd::RegFileValue* v = key->findValue(name);
        if (!v || !(v->value == value)) broken("the value set reads back otherwise");
        expectKept(before, after, keyPath, name);
    }
    return 0;
}
