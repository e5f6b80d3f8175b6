// What became of each entry of one extraction into the staging folder: which arrived, and
// why the others did not. The update commits only when every entry arrived.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace upd {

class EntryLedger {
public:
    // A new extraction into `stagingFolder` (ending with the separator) of `expected` entries.
    void start(std::string stagingFolder, size_t expected);

    // The archive reported the entry failed; the question to the user follows.
    void failed(const std::string& entry, const std::string& cause);
    // The archive is done with one attempt at the entry (its end event).
    void ended(const std::string& entry);

    // Once the extraction is over: nothing when every expected entry arrived (the staging
    // folder holds it); else what names the first one that did not and why.
    std::optional<std::string> problem() const;

private:
    // One attempt at an entry, in the order the archive made them; a cause when it failed.
    struct Attempt {
        std::string entry;
        std::optional<std::string> cause;
    };

    std::string staging_;
    size_t expected_ = 0;
    std::vector<Attempt> attempts_;
};

} // namespace upd
