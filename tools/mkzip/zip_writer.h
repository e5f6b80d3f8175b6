// A small ZIP writer: stored or deflated entries, optional traditional PKWARE encryption,
// UTF-8 names flagged as such, folder entries, DOS times and Unix modes.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace upd::tools {

struct ZipEntryInput {
    std::string name;      // relative, '/' separated; a trailing '/' makes a folder entry
    std::string data;
    bool deflate = true;
    std::time_t modified = 0;  // local time written as DOS date and time
    uint32_t unixMode = 0644;
};

class ZipWriter {
public:
    explicit ZipWriter(std::string password = {}) : password_(std::move(password)) {}

    void add(const ZipEntryInput& entry);
    // The whole archive: local records, central directory and end record.
    std::string finish(const std::string& comment = {});

private:
    struct Central {
        std::string name;
        uint16_t flags, method, time, date;
        uint32_t crc, compressed, size, offset, external;
    };
    std::string password_;
    std::string out_;
    std::vector<Central> central_;
};

// Adds every file and folder below `folder`, names sorted, deflating all but the files
// whose extension is in `storedExtensions` (e.g. ".png").
void addFolder(ZipWriter& writer, const std::string& folder, const std::vector<std::string>& storedExtensions);

} // namespace upd::tools
