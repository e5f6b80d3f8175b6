#include "archive/dir_array.h"

#include "platform/text.h"

namespace upd {

void TDirArray::clear() {
    std::vector<TDirItem>().swap(items_);
    index_.clear();
    indexValid_ = false;
}

TDirItem& TDirArray::append() {
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
