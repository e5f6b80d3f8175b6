// Fixtures of the archive tests: a scratch folder per test, a scripted Dialogs fake and
// an event recorder.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/dialogs.h"
#include "archive/zip_archiver.h"
#include "platform/files.h"
#include "zip_test_writer.h"

namespace upd::test {

// A name as the component shows it: with the platform's separator.
inline std::string platformName(std::string name) {
    for (char& c : name)
        if (c == '/') c = files::kSeparator;
    return name;
}

inline std::string utf8Of(const std::u8string& text) { return std::string(text.begin(), text.end()); }

// The step of the loops that try every position of an archive (every cut, every flipped
// byte). Linux takes every one. Under Wine each file call costs about ten times as much,
// so the Windows run takes every few: the decoder is the same code, and what Windows adds
// (paths, handles, removal) is met at every step taken.
#ifdef _WIN32
inline constexpr size_t kEveryPositionStep = 4;
#else
inline constexpr size_t kEveryPositionStep = 1;
#endif

// Answers dialogs from queues and records what was asked.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<DialogResult> messageAnswers;
    struct PasswordAnswer {
        bool ok;
        std::string text;
    };
    std::deque<PasswordAnswer> passwordAnswers;
    std::vector<MessageRequest> messages;
    std::vector<std::string> passwordCaptions;
    std::vector<std::string> passwordPrompts;

    DialogResult message(const MessageRequest& request) override {
        messages.push_back(request);
        if (messageAnswers.empty()) return DialogResult::Cancel;
        auto r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    bool password(const std::string& caption, const std::string& prompt, std::string& value) override {
        passwordCaptions.push_back(caption);
        passwordPrompts.push_back(prompt);
        if (passwordAnswers.empty()) return false;
        auto a = passwordAnswers.front();
        passwordAnswers.pop_front();
        value = a.text;
        return a.ok;
    }
    std::optional<std::string> openFile(const OpenFileRequest&) override { return std::nullopt; }
};

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        root = std::filesystem::temp_directory_path() / ("upd_archive_" + std::to_string(::getpid())) / name;
        // The platform's removal: read-only files go too, on Windows as well.
        if (auto ec = files::removeTree(root.string()))
            throw std::filesystem::filesystem_error("cannot remove the test folder", root, ec);
        std::filesystem::create_directories(root);
        out = root / "out";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::all, ec);
        files::removeTree(root.string());
        std::filesystem::remove(root.parent_path(), ec);  // only once empty
    }

    // Writes the archive as <root>/a.zip and opens `arc` on it with the output folder.
    std::string put(const TestArchive& archive, const std::string& file = "a.zip") {
        const std::string path = (root / file).string();
        writeFile(path, buildZip(archive).bytes);
        return path;
    }
    void openOn(TZipArchiver& arc, const std::string& path) {
        arc.setFileName(path);
        arc.OpenArchive();
        arc.setBaseDir(out.string());
        arc.setDialogs(&dialogs);
    }
    std::string outFile(const std::string& rel) const { return readFile(out.string() + "/" + rel); }
    bool outExists(const std::string& rel) const { return std::filesystem::exists(std::filesystem::symlink_status(out / rel)); }
    // Every file name under the output folder (relative), for "no temporary file left".
    std::vector<std::string> listOut() const {
        std::vector<std::string> names;
        if (!std::filesystem::exists(out)) return names;
        for (auto& e : std::filesystem::recursive_directory_iterator(out))
            names.push_back(utf8Of(std::filesystem::relative(e.path(), out).generic_u8string()));
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path root;
    std::filesystem::path out;
    ScriptedDialogs dialogs;
};

// A text of `n` bytes that compresses like text.
inline std::string textOf(size_t n, unsigned seed = 1) {
    std::string s;
    s.reserve(n);
    static const char* words[] = {"автошкола ", "driver ", "lesson ", "route ", "exam ", "Kordeval ", "\n"};
    unsigned x = seed;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 7];
    }
    s.resize(n);
    return s;
}

// Little-endian stores into an archive's bytes, for the tests that damage a field.
inline void put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
inline void put32(std::string& s, size_t at, uint32_t v) {
    put16(s, at, static_cast<uint16_t>(v));
    put16(s, at + 2, static_cast<uint16_t>(v >> 16));
}
inline void put64(std::string& s, size_t at, uint64_t v) {
    put32(s, at, static_cast<uint32_t>(v));
    put32(s, at + 4, static_cast<uint32_t>(v >> 32));
}

// Native errors of one extraction of every entry, every failure ignored.
inline std::vector<int> extractAll(TZipArchiver& arc) {
    std::vector<int> natives;
    arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, TProcessOperation, int n, int,
                                   const std::string&, TFailureAction& a) {
        natives.push_back(n);
        a = TFailureAction::fxaIgnore;
    };
    arc.ExtractFiles("*.*", 10431, "");
    return natives;
}

} // namespace upd::test
