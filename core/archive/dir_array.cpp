#include "archive/dir_array.h"

#include <algorithm>

#include "platform/text.h"

namespace upd {

void TDirArray::reserveFor(size_t count) {
    if (count <= allocItemCount_) return;
    allocBy_ = std::min(allocBy_ * 2, kMaxAllocBy);
    allocItemCount_ = std::max(count, allocItemCount_ + allocBy_);
    items_.reserve(allocItemCount_);
}

void TDirArray::setCount(size_t count) {
    if (count == 0) {
        std::vector<TDirItem>().swap(items_);
        allocItemCount_ = 0;
        index_.clear();
        indexValid_ = false;
        return;
    }
    reserveFor(count);
    items_.resize(count);
    indexValid_ = false;
}

TDirItem& TDirArray::append() {
    reserveFor(items_.size() + 1);
    items_.emplace_back();
    indexValid_ = false;
    return items_.back();
}

void TDirArray::setName(size_t i, std::string name) {
    items_[i].Name = std::move(name);
    indexValid_ = false;
}

std::string TDirArray::lowerName(const std::string& name) {
    auto cps = text::toU32(name);
    for (auto& c : cps) c = text::foldCase(c);
    return text::fromU32(cps);
}

long TDirArray::indexOf(const std::string& name) const {
    if (!indexValid_) {
        index_.clear();
        index_.reserve(items_.size());
        for (size_t i = 0; i < items_.size(); ++i) index_.emplace(lowerName(items_[i].Name), i);
        indexValid_ = true;
    }
    auto it = index_.find(lowerName(name));
    return it == index_.end() ? -1 : static_cast<long>(it->second);
}

} // namespace upd
