#include "platform/cp932.h"

#include <cerrno>
#include <iconv.h>
#include <utility>

bool IsDBCSLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char* CharNextA(const char* p) {
    if (*p == '\0') return p;
    if (IsDBCSLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

char* CharNextA(char* p) {
    return const_cast<char*>(CharNextA(static_cast<const char*>(p)));
}

namespace kv {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// glibc knows the code page under both names; older builds only under one.
iconv_t OpenConverter(bool toUtf8) {
    for (const char* name : {"CP932", "WINDOWS-31J"}) {
        iconv_t cd = toUtf8 ? iconv_open("UTF-8", name) : iconv_open(name, "UTF-8");
        if (cd != kNoConverter) return cd;
    }
    return kNoConverter;
}

// Opening a converter loads a module and builds tables, so each thread keeps
// its two and resets their state per call.
class Converters {
public:
    ~Converters() {
        if (toUtf8_ != kNoConverter) iconv_close(toUtf8_);
        if (fromUtf8_ != kNoConverter) iconv_close(fromUtf8_);
    }
    iconv_t Get(bool toUtf8) {
        iconv_t& cd = toUtf8 ? toUtf8_ : fromUtf8_;
        bool& tried = toUtf8 ? triedTo_ : triedFrom_;
        if (cd == kNoConverter && !tried) {
            tried = true;
            cd = OpenConverter(toUtf8);
        }
        if (cd != kNoConverter) iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
    }

private:
    iconv_t toUtf8_ = kNoConverter;
    iconv_t fromUtf8_ = kNoConverter;
    bool triedTo_ = false;
    bool triedFrom_ = false;
};

iconv_t Converter(bool toUtf8) {
    thread_local Converters converters;
    return converters.Get(toUtf8);
}

bool IsTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Runs the whole input through cd. Stops at the first invalid or incomplete
// sequence unless lossy, which puts U+FFFD in its place and goes on.
std::optional<std::string> Convert(iconv_t cd, std::string_view input, bool lossy) {
    std::string out;
    if (input.empty()) return out;
    // CP932 to UTF-8 takes at most three bytes per input byte, UTF-8 to CP932
    // at most one; the E2BIG branch covers anything else.
    out.resize(input.size() * 3 + 4);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
        char* o = out.data() + written;
        std::size_t oLeft = out.size() - written;
        std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        written = out.size() - oLeft;
        if (r != std::size_t(-1)) break;
        int err = errno;
        if (err == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (!lossy || (err != EILSEQ && err != EINVAL)) return std::nullopt;
        if (out.size() - written < 3) out.resize(out.size() * 2 + 3);
        out.replace(written, 3, kReplacement, 3);
        written += 3;
        // A lead byte with a trail byte after it is one unknown character;
        // anything else drops a single byte, so a stray lead byte does not
        // swallow the ASCII character that follows it.
        std::size_t skip = 1;
        if (inLeft >= 2 && IsDBCSLeadByte(static_cast<unsigned char>(in[0])) &&
            IsTrailByte(static_cast<unsigned char>(in[1])))
            skip = 2;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    iconv_t cd = Converter(true);
    if (cd == kNoConverter) return std::nullopt;
    return Convert(cd, cp932, false);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    iconv_t cd = Converter(false);
    if (cd == kNoConverter) return std::nullopt;
    return Convert(cd, utf8, false);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
    iconv_t cd = Converter(true);
    if (cd != kNoConverter) {
        if (auto r = Convert(cd, cp932, true)) return std::move(*r);
    }
    // No usable converter: keep ASCII, mark everything else.
    std::string out;
    for (unsigned char c : cp932) {
        if (c < 0x80) out.push_back(char(c));
        else out.append(kReplacement, 3);
    }
    return out;
}

}  // namespace kv
