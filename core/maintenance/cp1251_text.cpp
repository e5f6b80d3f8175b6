#include "maintenance/cp1251_text.h"

#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace upd::maintenance {

namespace {

// One conversion descriptor per call: the lists are small and read rarely.
class Iconv {
public:
    Iconv() : cd_(iconv_open("UTF-8", "CP1251")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("Code page 1251 is not available");
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

} // namespace

std::string cp1251ToUtf8(std::string_view bytes) {
    Iconv conv;
    std::string out;
    out.reserve(bytes.size() * 2);
    char buffer[256];
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(conv.get(), const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // An undefined byte: keep it as the code point of the same number.
        out += text::fromU32(std::u32string(1, static_cast<char32_t>(static_cast<unsigned char>(*in))));
        ++in;
        --inLeft;
    }
    return out;
}

} // namespace upd::maintenance
