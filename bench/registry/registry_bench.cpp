// The reads and writes one update makes on a registry file of KEYS keys (20,000 by default,
// about 1.3 MB as regedit exports it), timed against copying the same file as many times
// as the update reads or writes it: the ratio tells what parsing and indexing cost beyond
// the unavoidable file access.
//
//   registry_bench [KEYS]        (run by hand)
#include "registry/file_registry_backend.h"
#include "registry/installation_registry.h"
#include "platform/text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string utf16le(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (char16_t c : upd::text::toU16(utf8)) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

} // namespace

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::atoi(argv[1]) : 20000;
    const fs::path dir = fs::temp_directory_path() / "upd-registry-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "registry.reg").string();
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < keys; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(i) + "\\Settings]\r\n\"Path\"=\"C:\\\\Program Files\\\\V" +
                std::to_string(i) + "\\\\\"\r\n\"Count\"=dword:0000002a\r\n\r\n";
    text += "[HKEY_CURRENT_USER\\Software\\mirela]\r\n\"ProgrammPath\"=\"C:\\\\Tarvenit\\\\\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n";
    std::ofstream(path, std::ios::binary) << utf16le(text);

    // What an update does: reads at start, then the three sections written and read back.
    constexpr int kReads = 8, kWrites = 3;
    auto t0 = Clock::now();
    {
        upd::InstallationRegistry registry(std::make_unique<upd::FileRegistryBackend>(path));
        for (int i = 0; i < kReads; ++i) registry.Read("mirela", i % 2 ? "ProgrammPath" : "ProgrammVersion", "false");
        for (const char* section : {"mirela", "Lornet", "Varsel"}) registry.Write(section, "ProgrammVersion", "3.2");
    }
    const double ours = seconds(t0);

    // The floor: reading the whole file as often, and writing it as often.
    t0 = Clock::now();
    for (int i = 0; i < kReads + kWrites; ++i) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        if (i >= kReads) std::ofstream(path + ".copy", std::ios::binary) << bytes;
    }
    const double floor = seconds(t0);

    std::printf("keys %d, file %.1f MB\n", keys, static_cast<double>(fs::file_size(path)) / 1e6);
    std::printf("update's registry work  %.3f s\n", ours);
    std::printf("plain file reads/writes %.3f s\n", floor);
    std::printf("ratio                   %.1f\n", floor > 0 ? ours / floor : 0.0);
    fs::remove_all(dir);
    return 0;
}
