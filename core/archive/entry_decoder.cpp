#include "archive/entry_decoder.h"

#include <algorithm>
#include <optional>

#include "archive/archive_error.h"
#include "archive/archive_file.h"
#include "archive/archive_types.h"
#include "archive/whole_inflate.h"
#include "archive/zip_crypto.h"
#include "archive/zip_format.h"

namespace upd {

struct EntryDecoder::State {
    uint64_t declared = 0;   // uncompressed size from the directory
    int64_t progressMax = 0; // what progress counts against
    uint64_t produced = 0;   // bytes written so far, also the next write's offset
    uint32_t crc = 0;        // zlib's crc32 continues from 0
    bool failed = false;
    bool stop = false;       // no more data of this entry is decoded
    bool streamEnded = false;
    bool crcAhead = false;   // the read stage computes the checksum
};

bool EntryDecoder::emit(State& s, const uint8_t* data, size_t n) {
    // Never more than the directory declares: an overlong entry fails at once.
    if (n > s.declared - s.produced) {
        n = static_cast<size_t>(s.declared - s.produced);
        s.failed = true;
        s.stop = true;
    }
    if (n != 0 && !sink_.write(data, n, s.produced)) {
        s.stop = true;
        return false;
    }
    if (!s.crcAhead) s.crc = zipCrc32(s.crc, data, n);
    s.produced += n;
    return !s.stop;
}

void EntryDecoder::stored(State& s, const uint8_t* data, size_t n) {
    forEachStoredSlice(data, n, [&](const uint8_t* slice, size_t size) {
        if (!sink_.progress(static_cast<int64_t>(s.produced + size), s.progressMax)) {
            s.stop = true;
            return false;
        }
        return emit(s, slice, size);
    });
}

void EntryDecoder::inflated(State& s, const uint8_t* data, size_t n) {
    const auto end = b_.inflater.chunk(
        data, n,
        [&] {
            if (sink_.progress(static_cast<int64_t>(s.produced), s.progressMax)) return true;
            s.stop = true;
            return false;
        },
        [&](const uint8_t* out, size_t size) { return emit(s, out, size); });
    if (end == Inflater::End::BadData) s.failed = s.stop = true;
    if (end == Inflater::End::StreamEnd) s.streamEnded = true;
}

void EntryDecoder::follow(State& s, AheadDecoder::Taken& taken) {
    struct Release {
        AheadDecoder& ahead;
        AheadDecoder::Taken& taken;
        ~Release() { ahead.release(taken); }
    } release{*ahead_, taken};
    AheadDecoder::Step step;
    while (ahead_->nextStep(taken, step)) {
        if (!sink_.progress(step.progress, s.progressMax)) {
            s.stop = true;
            return;
        }
        if (const uint8_t* data = taken.memory.data(); data && step.producedAfter > s.produced) {
            // Decoded into memory: written here, as it would have been.
            if (!sink_.write(data + s.produced, static_cast<size_t>(step.producedAfter - s.produced), s.produced)) {
                s.stop = true;
                return;
            }
        }
        if (step.diskFull) {
            // The worker's file is the output by now (adopted): the write goes to it.
            if (!sink_.write(step.data, step.size, step.offset)) {
                s.stop = true;
                return;
            }
            ahead_->resume(taken);
        }
        s.produced = step.producedAfter;
        if (step.failed) s.failed = true;
    }
    const auto end = ahead_->endOf(taken);
    if (end.failed) s.failed = true;
    s.crc = end.crc;
}

DecodeOutcome EntryDecoder::decode(size_t index, const TDirItem& item, uint64_t dataLimit) {
    const uint64_t headerAt = item.localHeaderOffset();
    const uint8_t* lhBytes = file_.view(headerAt, zip::kLocalHeaderSize);
    if (!lhBytes) throw EReadError();
    zip::LeReader lr(lhBytes, zip::kLocalHeaderSize);
    const auto lh = zip::TZipLocalHeader::parse(lr);
    uint64_t dataAt = headerAt + zip::kLocalHeaderSize + lh.nameLength + lh.extraLength;

    uint64_t compSize = item.compressedSize();
    const uint64_t declared = item.uncompressedSize();
    // Entry data never reaches into the central directory.
    if (dataAt >= dataLimit)
        compSize = 0;
    else if (compSize > dataLimit - dataAt)
        compSize = dataLimit - dataAt;

    State s;
    s.declared = declared;
    s.progressMax = declared == 0 ? 2 : static_cast<int64_t>(declared);

    DecodeOutcome outcome;
    const uint16_t method = item.CompressionMethod;
    if (method == zip::kMethodDeflate64) throw EArchiveError(native_error::kDeflate64);
    const bool strongLayout =
        item.encrypted() && (item.isAes() || item.CentralDir.extractVersion >= zip::kStrongEncryptionVersion);
    if ((method != zip::kMethodStored && method != zip::kMethodDeflated) || strongLayout || item.DescriptorMissing) {
        // Other methods and the strong-encryption layout are not decoded here; an entry
        // whose sizes were never found would come out empty in place of its content.
        outcome.failed = true;
        return outcome;
    }
    if (!b_.inflater.reset()) {
        outcome.failed = true;
        return outcome;
    }

    std::optional<zip::ZipCryptoKeys> keys;
    if (item.encrypted()) {
        compSize = compSize >= zip::kEncryptionHeaderSize ? compSize - zip::kEncryptionHeaderSize : 0;
        const uint8_t check = (lh.genPurposeFlag & zip::kFlagDataDescriptor) ? static_cast<uint8_t>(lh.lastModTime >> 8)
                                                                             : static_cast<uint8_t>(lh.crc32 >> 24);
        for (;;) {
            const uint8_t* header = file_.view(dataAt, zip::kEncryptionHeaderSize);
            if (!header) throw EReadError();
            uint8_t copy[zip::kEncryptionHeaderSize];
            std::copy(header, header + sizeof copy, copy);
            if (!sink_.password().empty()) {
                zip::ZipCryptoKeys k(sink_.password());
                if (k.acceptsHeader(copy, check)) {
                    keys = k;
                    break;
                }
            }
            if (!sink_.requestPassword()) {
                outcome.skipped = true;  // nothing written; the entry is passed over
                return outcome;
            }
        }
        dataAt += zip::kEncryptionHeaderSize;
    }

    const bool isStored = method == zip::kMethodStored;
    auto process = [&](const uint8_t* data, size_t n) {
        if (isStored)
            stored(s, data, n);
        else
            inflated(s, data, n);
    };
    // A worker may have decoded the entry already (or be at it).
    std::optional<AheadDecoder::Taken> taken;
    if (ahead_) taken = ahead_->take(index, sink_.password());
    if (taken && taken->file && !sink_.adoptOutput(*taken->file)) {
        ahead_->giveUp(*taken);
        taken.reset();
    }
    if (taken) {
        follow(s, *taken);
    } else if (compSize > DecodeBuffers::kChunk) {
        // Several chunks: the next is read and decrypted while this one is decoded.
        s.crcAhead = isStored;
        b_.reader.start(file_, dataAt, compSize, keys, isStored);
        struct StopReader {
            ChunkReader& r;
            ~StopReader() { r.stop(); }
        } stopReader{b_.reader};
        while (!s.stop && !s.streamEnded) {
            const auto chunk = b_.reader.next();
            if (!chunk.ok) {
                s.failed = true;  // the file changed under us
                break;
            }
            if (chunk.size == 0) break;
            process(chunk.data, chunk.size);
            // Unless decoding stopped in this chunk (and then fails or was cancelled),
            // every byte of it was written.
            if (s.crcAhead) s.crc = chunk.crc;
        }
    } else if (compSize > 0) {
        const size_t n = static_cast<size_t>(compSize);
        const uint8_t* data = file_.view(dataAt, n);
        if (!data) {
            s.failed = true;
        } else {
            if (keys && isStored) {
                s.crcAhead = true;
                keys->decrypt(data, b_.plain.get(), n, s.crc);
                data = b_.plain.get();
            } else if (keys) {
                keys->decrypt(data, b_.plain.get(), n);
                data = b_.plain.get();
            }
            process(data, n);
        }
    }

    outcome.failed = s.failed || s.produced != declared ||
                     (item.CentralDir.extractVersion < zip::kStrongEncryptionVersion && !item.isAes() &&
                      s.crc != item.CentralDir.crc32);
    return outcome;
}

} // namespace upd
