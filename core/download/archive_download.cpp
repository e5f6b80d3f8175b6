#include "download/archive_download.h"

#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"
#include "ui/progress_message.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>


namespace upd {

namespace {

bool isPort(const std::string& s) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    const long port = std::strtol(s.c_str(), nullptr, 10);
    return port >= 1 && port <= 65535;
}

} // namespace

std::string defaultDownloadHost() {
    const char* value = std::getenv(kDownloadHostVariable);
    return value ? std::string(value) : std::string();
}

bool isDownloadHost(const std::string& host) {
    std::string name = host;
    std::string port;
    if (!name.empty() && name.front() == '[') {
        const size_t close = name.find(']');
        if (close == std::string::npos || close == 1) return false;
        if (name.find_first_not_of("0123456789abcdefABCDEF:.", 1) != close) return false;
        if (close + 1 < name.size()) {
            if (name[close + 1] != ':') return false;
            port = name.substr(close + 2);
            if (!isPort(port)) return false;
        }
        return true;
    }
    const size_t colon = name.find(':');
    if (colon != std::string::npos) {
        port = name.substr(colon + 1);
        name.resize(colon);
        if (!isPort(port)) return false;
    }
    return !name.empty() && name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") ==
                                std::string::npos;
}

ArchiveDownload::ArchiveDownload(MessageBoxes& boxes, EventPump& pump, const ProgressBar& bar,
                                 const std::string& downloadHost, Control& button2, Control& button3)
    : boxes_(boxes), pump_(pump), bar_(bar), downloadHost_(downloadHost), button2_(button2), button3_(button3) {
    HttpClient1.OnWorkBegin = [this](HttpWorkMode mode, int64_t total) { HttpClient1WorkBegin(mode, total); };
    HttpClient1.OnWork = [this](HttpWorkMode mode, int64_t count) { HttpClient1Work(mode, count); };
}

std::string ArchiveDownload::host() const { return downloadHost_.empty() ? defaultDownloadHost() : downloadHost_; }

std::string ArchiveDownload::archiveUrl() const {
    const std::string host = this->host();
    if (host.empty()) return {};
    // A host that is no host could turn the URL into another one.
    if (!isDownloadHost(host)) throw std::invalid_argument("Not a download host: " + host);
    return "http://" + host + kArchiveUrlPath;
}

void ArchiveDownload::HttpClient1WorkBegin(HttpWorkMode, int64_t AWorkCountMax) {
    pump_.post(workBeginMessage(AWorkCountMax));
}

void ArchiveDownload::HttpClient1Work(HttpWorkMode, int64_t AWorkCount) {
    pump_.post(workMessage(AWorkCount));
}

void ArchiveDownload::Button2Click() {
    completed_ = false;
    if (host().empty()) {
        boxes_.notice(kNoServerNotice);
        return;
    }
    if (!connectionCheck || !connectionCheck()) {
        boxes_.notice(kNoInternetNotice);
        return;
    }
    try {
        const std::string url = archiveUrl();
        int64_t announced = -1;
        {
            // The check that the server answers the URL before the body is fetched.
            HttpClientSettings defaults;
            defaults.connectTimeoutMs = HttpClient1.settings().connectTimeoutMs;
            defaults.stallTimeoutSeconds = HttpClient1.settings().stallTimeoutSeconds;
            HttpClient probe(defaults);
            probe.Head(url);
            announced = probe.ContentLength();
        }
        const std::string base = files::withTrailingSeparator(workFolder);
        const std::string folder = base + kArchiveFolder;
        std::error_code ignored;  // a folder that cannot be made shows as the write's failure
        if (!files::directoryExists(folder)) std::filesystem::create_directory(files::pathOf(folder), ignored);
        // Streamed beside the old archive and renamed over it once whole: a failed or refused
        // download leaves no torn file, and the body never sits in memory. It may be no larger
        // than the HEAD said (a server that keeps sending is cut off there).
        files::TemporaryFile file;
        if (auto ec = file.create(base + kArchiveFile)) throw std::system_error(ec);
        const uint64_t limit = announced >= 0 ? static_cast<uint64_t>(announced) : sizeLimitWithoutAnnouncement;
        HttpClient1.Get(
            url,
            [&](std::string_view piece) {
                if (auto ec = file.handle().writeAll(piece)) throw std::system_error(ec);
            },
            limit);
        completed_ = !file.commitReplacing();
    } catch (...) {
        // Failures of the download are silent: no message, no log line. completed() stays
        // false, which is what --step Button2Click reports.
    }
    if (bar_.position() == bar_.max()) {
        button3_.setEnabled(true);
        button2_.setEnabled(false);
    }
}

} // namespace upd
