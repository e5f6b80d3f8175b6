#include "archive/inflater.h"

namespace upd {

Inflater::Inflater() : output_(std::make_unique_for_overwrite<uint8_t[]>(kOutput)) {}

Inflater::~Inflater() {
    if (ready_) inflateEnd(&z_);
}

bool Inflater::reset() {
    if (ready_) return inflateReset(&z_) == Z_OK;
    z_ = z_stream{};
    // Raw deflate: the entry's data has no zlib header and no Adler-32 trailer.
    ready_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK;
    return ready_;
}

} // namespace upd
