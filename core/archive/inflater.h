// The decoding stages every path shares, on the caller's thread and in the workers alike:
// inflating one chunk of an entry's raw deflate data, and cutting stored data into the
// slices that progress is reported by. The paths differ only in what they do before each
// step and with each step's output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <zlib.h>

namespace upd {

// Stored data is copied and reported in slices of this size.
inline constexpr size_t kStoredSlice = 65535;

// Calls `slice(data, n)` for each slice of [data, data + size); stops when it returns false.
// Returns whether every slice was taken.
template <class Slice>
bool forEachStoredSlice(const uint8_t* data, size_t size, Slice&& slice) {
    for (size_t at = 0; at < size; at += kStoredSlice)
        if (!slice(data + at, size - at < kStoredSlice ? size - at : kStoredSlice)) return false;
    return true;
}

// A raw inflate stream with its output buffer, kept from entry to entry so that many small
// entries cost no allocations.
class Inflater {
public:
    static constexpr size_t kOutput = 1 << 20;  // inflated bytes per inflate call

    enum class End {
        ChunkDone,  // the chunk is used up; the entry goes on with the next one
        StreamEnd,  // the deflate data says it is complete
        Stopped,    // before() or emit() said stop
        BadData,    // inflate refused the data
    };

    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // A stream ready for a new entry; false when zlib cannot provide one.
    bool reset();

    // Inflates the chunk [in, in + n) of the current entry. `before()` runs before every
    // inflate call (where progress is reported) and `emit(data, size)` takes what the call
    // produced; either stops the chunk by returning false.
    template <class Before, class Emit>
    End chunk(const uint8_t* in, size_t n, Before&& before, Emit&& emit) {
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(n);
        for (;;) {
            if (!before()) return End::Stopped;
            z_.next_out = output_.get();
            z_.avail_out = static_cast<uInt>(kOutput);
            const int r = inflate(&z_, Z_NO_FLUSH);
            // A buffer error with the input used up only means the chunk ended mid-stream:
            // the entry's end is given by its compressed size, never by an Adler-32 trailer.
            if (r < 0 && !(r == Z_BUF_ERROR && z_.avail_in == 0)) return End::BadData;
            if (!emit(output_.get(), kOutput - z_.avail_out)) return End::Stopped;
            if (r == Z_STREAM_END) return End::StreamEnd;
            if (z_.avail_out != 0 && (z_.avail_in == 0 || r == Z_BUF_ERROR)) return End::ChunkDone;
        }
    }

private:
    z_stream z_{};
    bool ready_ = false;
    std::unique_ptr<uint8_t[]> output_;
};

} // namespace upd
