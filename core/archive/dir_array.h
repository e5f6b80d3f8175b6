// The entry list of an open archive, with its case-insensitive name index.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/archive_types.h"

namespace upd {

class TDirArray {
public:
    size_t ItemCount() const { return items_.size(); }

    // Frees every entry and empties the name index.
    void clear();
    // Appends a cleared entry and returns it.
    TDirItem& append();

    TDirItem& operator[](size_t i) { return items_[i]; }
    const TDirItem& operator[](size_t i) const { return items_[i]; }

    // Every name change goes through here so that the index follows.
    void setName(size_t i, std::string name);

    // Index of the first entry whose name equals `name` ignoring letter case, or -1.
    long indexOf(const std::string& name) const;

    // The lower-cased form the index keys on.
    static std::string lowerName(const std::string& name);

private:
    std::vector<TDirItem> items_;
    // Built on the first lookup: opening the archive does not pay for it.
    mutable std::unordered_map<std::string, size_t> index_;
    mutable bool indexValid_ = false;
};

} // namespace upd
