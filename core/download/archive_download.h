// The hidden download of the documents archive (button "1. Скачать архив документов"):
// HEAD on a separate client, GET on HttpClient1 into memory, then "res/ver_1_3.zip".
#pragma once

#include "download/internet_connection.h"
#include "ui/control.h"
#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/progress_bar.h"
#include "http/http_client.h"

#include <functional>
#include <string>

namespace upd {

// The documents server: the host given to ArchiveDownload (the option --download-host) or the
// environment variable UPDATE_DOWNLOAD_HOST. There is no built-in one: requests, and the
// cookies they carry, go only where somebody said.
inline constexpr const char* kDownloadHostVariable = "UPDATE_DOWNLOAD_HOST";
inline constexpr const char* kArchiveUrlPath = "/sites/default/files/Kavertadoc/ver_1_3.zip";
inline constexpr const char* kArchiveFolder = "res";
inline constexpr const char* kArchiveFile = "res/ver_1_3.zip";
inline constexpr uint64_t kArchiveSizeLimit = 1ull << 30;
inline constexpr const char* kNoInternetNotice = "Отсутствует подключение к интернету!";
inline constexpr const char* kNoServerNotice =
    "Не задан сервер загрузки документов: укажите его в параметре --download-host или в переменной окружения "
    "UPDATE_DOWNLOAD_HOST.";

// UPDATE_DOWNLOAD_HOST when set, else empty.
std::string defaultDownloadHost();

// True for "host", "host:port", "[v6]" and "[v6]:port" with a port of 1 to 65535.
bool isDownloadHost(const std::string& host);

class ArchiveDownload {
public:
    // `button2` is the download button itself, `button3` "Обновить программу". Work events
    // post to `pump`; `bar` tells at the end whether the whole body arrived. `downloadHost`
    // (host[:port]) stands for the vendor's server when set.
    ArchiveDownload(MessageBoxes& boxes, EventPump& pump, const ProgressBar& bar, const std::string& downloadHost,
                    Control& button2, Control& button3);

    void Button2Click();
    // Whether the last press wrote the archive.
    bool completed() const { return completed_; }

    // Work events of HttpClient1: they post the progress message and never touch the bar.
    void HttpClient1WorkBegin(HttpWorkMode AWorkMode, int64_t AWorkCountMax);
    void HttpClient1Work(HttpWorkMode AWorkMode, int64_t AWorkCount);

    // "http://" + host + kArchiveUrlPath, the host given at construction or the environment's;
    // empty when there is none.
    std::string archiveUrl() const;

    // Keeps its cookies and its open connection between clicks.
    HttpClient HttpClient1;

    // The connection check; tests replace it.
    std::function<bool()> connectionCheck = internetConnected;
    // The folder that "res/ver_1_3.zip" is relative to; empty means the current folder.
    std::string workFolder;
    // The largest archive taken when the server's HEAD announced no size: the documents
    // archive is some tens of megabytes, and a server that sends without end must not fill
    // the disk.
    uint64_t sizeLimitWithoutAnnouncement = kArchiveSizeLimit;

private:
    std::string host() const;

    MessageBoxes& boxes_;
    EventPump& pump_;
    const ProgressBar& bar_;
    const std::string& downloadHost_;
    Control& button2_;
    Control& button3_;
    bool completed_ = false;
};

} // namespace upd
