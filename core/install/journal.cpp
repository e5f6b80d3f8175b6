#include "install/journal.h"

#include "install/install_error.h"
#include "platform/file_handle.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace upd::install {

namespace {

constexpr const char* kHeader = "update_3_2 journal 1";

// Names may hold any byte but NUL: line breaks, and the escape itself, are written as %XX.
std::string escape(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::string> unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const std::string hex = text.substr(i + 1, 2);
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return std::nullopt;
        out += static_cast<char>(std::stoi(hex, nullptr, 16));
        i += 2;
    }
    return out;
}

// A relative path that stays below the package folder.
bool safeRelative(const std::string& path) {
    if (path.empty() || path.front() == '/') return false;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        start = end + 1;
    }
    return path.find('\0') == std::string::npos;
}

} // namespace

std::string serializeJournal(const Journal& journal) {
    std::string out = std::string(kHeader) + "\n";
    out += journal.phase == Journal::Phase::Committed ? "phase committed\n" : "phase prepared\n";
    for (const std::string& folder : journal.newFolders) out += "folder " + escape(folder) + "\n";
    for (const Journal::File& file : journal.files)
        out += std::string("file ") + (file.hadOld ? "1 " : "0 ") + escape(file.path) + "\n";
    out += "end\n";
    return out;
}

std::optional<Journal> parseJournal(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return std::nullopt;
    Journal journal;
    if (!std::getline(in, line)) return std::nullopt;
    if (line == "phase committed") journal.phase = Journal::Phase::Committed;
    else if (line != "phase prepared") return std::nullopt;
    bool ended = false;
    while (std::getline(in, line)) {
        if (ended) return std::nullopt;
        if (line == "end") {
            ended = true;
            continue;
        }
        if (line.rfind("folder ", 0) == 0) {
            auto name = unescape(line.substr(7));
            if (!name || !safeRelative(*name)) return std::nullopt;
            journal.newFolders.push_back(*name);
        } else if (line.rfind("file ", 0) == 0 && line.size() > 7 && (line[5] == '0' || line[5] == '1') && line[6] == ' ') {
            auto name = unescape(line.substr(7));
            if (!name || !safeRelative(*name)) return std::nullopt;
            journal.files.push_back({*name, line[5] == '1'});
        } else {
            return std::nullopt;
        }
    }
    if (!ended) return std::nullopt;
    return journal;
}

void writeJournal(const std::string& path, const Journal& journal) {
    if (auto ec = files::replaceFileContent(path, serializeJournal(journal)))
        throw InstallError("Не удалось записать журнал обновления \"" + path + "\": " + ec.message());
}

std::optional<Journal> readJournal(const std::string& path) {
    std::string text;
    if (auto ec = files::readWholeFile(path, text)) {
        // Nothing there: no commit was under way. A link leading nowhere is something.
        std::error_code ignored;
        if (ec == std::errc::no_such_file_or_directory &&
            !std::filesystem::exists(std::filesystem::symlink_status(files::pathOf(path), ignored)))
            return std::nullopt;
        throw InstallError("Не удалось прочитать журнал обновления \"" + path + "\"");
    }
    auto journal = parseJournal(text);
    if (!journal) throw InstallError("Журнал обновления \"" + path + "\" повреждён");
    return journal;
}

} // namespace upd::install
