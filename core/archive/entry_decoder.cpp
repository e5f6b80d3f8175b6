#include "archive/entry_decoder.h"

#include <algorithm>
#include <optional>

#include "archive/archive_error.h"
#include "archive/base_archiver.h"
#include "archive/output_folder.h"
#include "archive/zip_crypto.h"
#include "archive/zip_format.h"

namespace upd {

DecodeBuffers::DecodeBuffers()
    : plain(std::make_unique_for_overwrite<uint8_t[]>(kChunk)),
      output(std::make_unique_for_overwrite<uint8_t[]>(kOutput)) {}

DecodeBuffers::~DecodeBuffers() {
    if (zReady) inflateEnd(&z);
}

bool DecodeBuffers::resetInflate() {
    if (zReady) return inflateReset(&z) == Z_OK;
    z = z_stream{};
    // Raw deflate: the entry's data has no zlib header and no Adler-32 trailer.
    zReady = inflateInit2(&z, -MAX_WBITS) == Z_OK;
    return zReady;
}

struct EntryDecoder::State {
    int fd = -1;
    const std::string* workName = nullptr;
    uint64_t writeOffset = 0;
    uint64_t declared = 0;   // uncompressed size from the directory
    uint64_t produced = 0;
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
    if (n != 0 && !a_.writeRequest(s.fd, data, n, s.writeOffset)) {
        s.stop = true;
        return false;
    }
    if (!s.crcAhead) s.crc = static_cast<uint32_t>(crc32_z(s.crc, data, n));
    s.produced += n;
    return !s.stop;
}

bool EntryDecoder::storedChunk(const TDirItem& item, State& s, const uint8_t* data, size_t n) {
    for (size_t at = 0; at < n; at += DecodeBuffers::kStoredSlice) {
        const size_t slice = std::min(n - at, DecodeBuffers::kStoredSlice);
        a_.FProgress = static_cast<int64_t>(s.produced + slice);
        a_.progressEvents(item, *s.workName);
        if (a_.FProgressCancel) {
            s.stop = true;
            return false;
        }
        if (!emit(s, data + at, slice)) return false;
    }
    return true;
}

bool EntryDecoder::inflateChunk(const TDirItem& item, State& s, const uint8_t* data, size_t n) {
    DecodeBuffers& b = *a_.buffers_;
    z_stream& z = b.z;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(n);
    for (;;) {
        a_.FProgress = static_cast<int64_t>(s.produced);
        a_.progressEvents(item, *s.workName);
        if (a_.FProgressCancel) {
            s.stop = true;
            return false;
        }
        z.next_out = b.output.get();
        z.avail_out = static_cast<uInt>(DecodeBuffers::kOutput);
        const int r = inflate(&z, Z_NO_FLUSH);
        if (r < 0 && !(r == Z_BUF_ERROR && z.avail_in == 0)) {
            s.failed = true;
            s.stop = true;
            return false;
        }
        const size_t have = DecodeBuffers::kOutput - z.avail_out;
        if (!emit(s, b.output.get(), have)) return false;
        if (r == Z_STREAM_END) {
            s.streamEnded = true;
            return true;
        }
        if (z.avail_out != 0 && (z.avail_in == 0 || r == Z_BUF_ERROR)) return true;
    }
}

void EntryDecoder::follow(const TDirItem& item, State& s, AheadDecoder& ahead,
                          const std::shared_ptr<AheadDecoder::Job>& job) {
    struct Release {
        AheadDecoder& ahead;
        const std::shared_ptr<AheadDecoder::Job>& job;
        ~Release() { ahead.release(job); }
    } release{ahead, job};
    AheadDecoder::Step step;
    while (ahead.nextStep(*job, step)) {
        a_.FProgress = step.progress;
        a_.progressEvents(item, *s.workName);
        if (a_.FProgressCancel) {
            s.stop = true;
            return;
        }
        if (const uint8_t* data = ahead.dataOf(*job); data && step.producedAfter > s.produced) {
            // Decoded into memory: written here, as it would have been.
            if (!a_.writeRequest(s.fd, data + s.produced, static_cast<size_t>(step.producedAfter - s.produced),
                                 s.writeOffset)) {
                s.stop = true;
                return;
            }
        }
        if (step.diskFull) {
            uint64_t offset = step.offset;
            if (!a_.writeRequest(ahead.fileOf(*job), step.data, step.size, offset)) {
                s.stop = true;
                return;
            }
            ahead.resume(*job);
        }
        s.produced = step.producedAfter;
        if (step.failed) s.failed = true;
    }
    const auto end = ahead.endOf(*job);
    if (end.failed) s.failed = true;
    s.crc = end.crc;
}

void EntryDecoder::decode(size_t index, PendingFile& out, const std::string& workName) {
    TDirManager& dm = a_.dir();
    if (index >= dm.CDir.ItemCount()) a_.raise(native_error::kIndexOutOfBounds);
    const TDirItem& item = dm.CDir[index];
    ArchiveFile& file = *a_.FCompressedStream;

    const uint64_t headerAt = item.localHeaderOffset();
    const uint8_t* lhBytes = file.view(headerAt, zip::kLocalHeaderSize);
    if (!lhBytes) throw EReadError();
    zip::LeReader lr(lhBytes, zip::kLocalHeaderSize);
    const auto lh = zip::TZipLocalHeader::parse(lr);
    uint64_t dataAt = headerAt + zip::kLocalHeaderSize + lh.nameLength + lh.extraLength;

    uint64_t compSize = item.compressedSize();
    const uint64_t declared = item.uncompressedSize();
    // Entry data never reaches into the central directory.
    if (dataAt >= dm.CentralDirOffset)
        compSize = 0;
    else if (compSize > dm.CentralDirOffset - dataAt)
        compSize = dm.CentralDirOffset - dataAt;

    a_.FProgressMax = declared == 0 ? 2 : static_cast<int64_t>(declared);
    a_.FSkipFile = false;

    State s;
    s.fd = out.fd();
    s.workName = &workName;
    s.declared = declared;

    const uint16_t method = item.CompressionMethod;
    if (method == zip::kMethodDeflate64) throw EArchiveError(native_error::kDeflate64);
    bool failed = false;
    const bool strongLayout =
        item.encrypted() && (item.isAes() || item.CentralDir.extractVersion >= zip::kStrongEncryptionVersion);
    if ((method != zip::kMethodStored && method != zip::kMethodDeflated) || strongLayout || item.DescriptorMissing) {
        // Other methods and the strong-encryption layout are not decoded here; an entry
        // whose sizes were never found would come out empty in place of its content.
        failed = true;
    } else {
        DecodeBuffers& b = *a_.buffers_;
        if (!b.resetInflate()) {
            failed = true;
        } else {
            std::optional<zip::ZipCryptoKeys> keys;
            if (item.encrypted()) {
                compSize = compSize >= zip::kEncryptionHeaderSize ? compSize - zip::kEncryptionHeaderSize : 0;
                const uint8_t check = (lh.genPurposeFlag & zip::kFlagDataDescriptor)
                                          ? static_cast<uint8_t>(lh.lastModTime >> 8)
                                          : static_cast<uint8_t>(lh.crc32 >> 24);
                for (;;) {
                    const uint8_t* header = file.view(dataAt, zip::kEncryptionHeaderSize);
                    if (!header) throw EReadError();
                    uint8_t copy[zip::kEncryptionHeaderSize];
                    std::copy(header, header + sizeof copy, copy);
                    if (!a_.FPassword.empty()) {
                        zip::ZipCryptoKeys k(a_.FPassword);
                        if (k.acceptsHeader(copy, check)) {
                            keys = k;
                            break;
                        }
                    }
                    if (!a_.passwordRequest(item)) break;
                }
                if (a_.FSkipFile) return;  // nothing written; the entry is passed over
                dataAt += zip::kEncryptionHeaderSize;
            }

            const bool stored = method == zip::kMethodStored;
            // A worker may have decoded the entry already (or be at it).
            std::shared_ptr<AheadDecoder::Job> job;
            if (a_.ahead_) job = a_.ahead_->take(index, a_.FPassword);
            if (job && a_.ahead_->fileOf(*job) >= 0 && !out.adopt(a_.ahead_->fileOf(*job))) {
                a_.ahead_->giveUp(job);
                job.reset();
            }
            auto process = [&](const uint8_t* data, size_t n) {
                if (stored)
                    storedChunk(item, s, data, n);
                else
                    inflateChunk(item, s, data, n);
            };
            if (job) {
                follow(item, s, *a_.ahead_, job);
            } else if (compSize > DecodeBuffers::kChunk) {
                // Several chunks: the next is read and decrypted while this one is decoded.
                s.crcAhead = stored;
                b.reader.start(file, dataAt, compSize, keys, stored);
                struct StopReader {
                    ChunkReader& r;
                    ~StopReader() { r.stop(); }
                } stopReader{b.reader};
                while (!s.stop && !s.streamEnded) {
                    const auto chunk = b.reader.next();
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
                const uint8_t* data = file.view(dataAt, n);
                if (!data) {
                    s.failed = true;
                } else {
                    if (keys && stored) {
                        s.crcAhead = true;
                        keys->decrypt(data, b.plain.get(), n, s.crc);
                        data = b.plain.get();
                    } else if (keys) {
                        keys->decrypt(data, b.plain.get(), n);
                        data = b.plain.get();
                    }
                    process(data, n);
                }
            }
            failed = s.failed;
        }
    }

    if (!failed && s.produced != declared) failed = true;
    if (!failed && !a_.FSkipFile && item.CentralDir.extractVersion < zip::kStrongEncryptionVersion && !item.isAes() &&
        s.crc != item.CentralDir.crc32)
        failed = true;
    if (failed && !a_.FProgressCancel && !a_.FExtractCorruptedFiles && !a_.FSkipFile)
        a_.raise(native_error::kCompressionFailed);
}

} // namespace upd
