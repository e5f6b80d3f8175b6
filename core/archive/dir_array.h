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
    size_t AllocItemCount() const { return allocItemCount_; }
    size_t AllocBy() const { return allocBy_; }
    static constexpr size_t kMaxAllocBy = 10000;

    // Grows geometrically (500, doubling, at most 10,000 a step); 0 frees everything.
    void setCount(size_t count);
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
    void reserveFor(size_t count);

    std::vector<TDirItem> items_;
    size_t allocItemCount_ = 0;
    size_t allocBy_ = 500;
    // Built on the first lookup: opening the archive does not pay for it.
    mutable std::unordered_map<std::string, size_t> index_;
    mutable bool indexValid_ = false;
};

} // namespace upd
