// What became of each entry of one extraction into the staging folder: which arrived, and
// why the others did not. The update commits only when every entry arrived.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace upd {

class EntryLedger {
public:
    // A new extraction into `stagingFolder` (ending with the separator) of `expected` entries.
    void start(std::string stagingFolder, size_t expected);

    // The archive reported the entry failed; the question to the user follows.
    void failed(const std::string& entry, const std::string& cause);
    // The archive is done with one attempt at the entry (its end event): it arrived when the
    // staging folder holds it now.
    void ended(const std::string& entry);

    // Nothing when every expected entry arrived; else what names the first one that did not
    // and why.
    std::optional<std::string> problem() const;

private:
    void settleMissing();
    void note(const std::string& entry, const std::string& cause);

    std::string staging_;
    size_t expected_ = 0;
    size_t arrived_ = 0;
    std::optional<std::string> missing_;  // ended without arriving; its failure report may follow
    std::optional<std::string> lastArrived_;
    std::vector<std::pair<std::string, std::string>> problems_;  // entry, cause; in order
};

} // namespace upd
