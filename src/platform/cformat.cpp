#include "platform/cformat.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <locale.h>

namespace kv {

namespace {

// The C locale, made once; uselocale switches only the calling thread, so
// formatting never disturbs (or is disturbed by) the rest of the process.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}

class ScopedCLocale {
public:
    ScopedCLocale() {
        locale_t c = CLocale();
        if (c) old_ = uselocale(c);
    }
    ~ScopedCLocale() {
        if (old_) uselocale(old_);
    }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t old_ = locale_t(0);
};

// Appends what snprintf makes of one conversion with one argument.
template <typename T>
void AppendOne(std::string& out, const char* spec, T value) {
    char buf[256];
    int n = std::snprintf(buf, sizeof buf, spec, value);
    if (n < 0) return;
    if (std::size_t(n) < sizeof buf) {
        out.append(buf, std::size_t(n));
        return;
    }
    std::size_t at = out.size();
    out.resize(at + std::size_t(n) + 1);
    std::snprintf(out.data() + at, std::size_t(n) + 1, spec, value);
    out.resize(at + std::size_t(n));
}

void AppendPadded(std::string& out, const char* text, int width, bool left) {
    int len = int(std::strlen(text));
    if (!left && width > len) out.append(std::size_t(width - len), ' ');
    out.append(text, std::size_t(len));
    if (left && width > len) out.append(std::size_t(width - len), ' ');
}

enum class Length { None, hh, h, l, ll, L, z, j, t };

}  // namespace

std::string VFormat(const char* fmt, va_list apIn) {
    std::string out;
    if (!fmt) return out;
    va_list ap;
    va_copy(ap, apIn);
    ScopedCLocale cLocale;

    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            const char* q = p;
            while (*q && *q != '%') ++q;
            out.append(p, std::size_t(q - p));
            p = q;
            continue;
        }
        const char* specStart = p++;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }

        // Flags, width, precision and length, with '*' resolved to numbers so
        // that the single conversion handed to snprintf takes one argument.
        bool left = false, plus = false, space = false, zero = false, alt = false;
        for (;; ++p) {
            if (*p == '-') left = true;
            else if (*p == '+') plus = true;
            else if (*p == ' ') space = true;
            else if (*p == '0') zero = true;
            else if (*p == '#') alt = true;
            else break;
        }
        int width = -1;
        if (*p == '*') {
            width = va_arg(ap, int);
            if (width < 0) {
                left = true;
                width = width == INT_MIN ? INT_MAX : -width;
            }
            ++p;
        } else if (*p >= '0' && *p <= '9') {
            width = 0;
            for (; *p >= '0' && *p <= '9'; ++p)
                width = width > 100000000 ? width : width * 10 + (*p - '0');
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                precision = va_arg(ap, int);
                if (precision < 0) precision = -1;  // as if none were given
                ++p;
            } else {
                for (; *p >= '0' && *p <= '9'; ++p)
                    precision = precision > 100000000 ? precision : precision * 10 + (*p - '0');
            }
        }
        Length len = Length::None;
        switch (*p) {
        case 'h':
            ++p;
            if (*p == 'h') { len = Length::hh; ++p; }
            else len = Length::h;
            break;
        case 'l':
            ++p;
            if (*p == 'l') { len = Length::ll; ++p; }
            else len = Length::l;
            break;
        case 'L': len = Length::L; ++p; break;
        case 'z': len = Length::z; ++p; break;
        case 'j': len = Length::j; ++p; break;
        case 't': len = Length::t; ++p; break;
        default: break;
        }
        char conv = *p;
        if (conv == '\0') {
            // A format cut off inside a conversion: keep its text.
            out.append(specStart);
            break;
        }
        ++p;

        char spec[64];
        int n = 0;
        spec[n++] = '%';
        if (left) spec[n++] = '-';
        if (plus) spec[n++] = '+';
        if (space) spec[n++] = ' ';
        if (zero) spec[n++] = '0';
        if (alt) spec[n++] = '#';
        if (width >= 0) n += std::snprintf(spec + n, sizeof spec - std::size_t(n), "%d", width);
        if (precision >= 0) n += std::snprintf(spec + n, sizeof spec - std::size_t(n), ".%d", precision);
        auto lengthText = [&]() -> const char* {
            switch (len) {
            case Length::hh: return "hh";
            case Length::h: return "h";
            case Length::l: return "l";
            case Length::ll: return "ll";
            case Length::z: return "z";
            case Length::j: return "j";
            case Length::t: return "t";
            default: return "";
            }
        };

        switch (conv) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            const char* lt = lengthText();
            std::size_t ll = std::strlen(lt);
            std::memcpy(spec + n, lt, ll);
            n += int(ll);
            spec[n++] = conv;
            spec[n] = '\0';
            switch (len) {
            case Length::l: AppendOne(out, spec, va_arg(ap, long)); break;
            case Length::ll: AppendOne(out, spec, va_arg(ap, long long)); break;
            case Length::z: AppendOne(out, spec, va_arg(ap, std::size_t)); break;
            case Length::j: AppendOne(out, spec, va_arg(ap, intmax_t)); break;
            case Length::t: AppendOne(out, spec, va_arg(ap, ptrdiff_t)); break;
            default: AppendOne(out, spec, va_arg(ap, int)); break;  // hh, h promote to int
            }
            break;
        }
        case 'c':
            if (len == Length::l) spec[n++] = 'l';
            spec[n++] = 'c';
            spec[n] = '\0';
            if (len == Length::l) AppendOne(out, spec, va_arg(ap, wint_t));
            else AppendOne(out, spec, va_arg(ap, int));
            break;
        case 's':
            if (len == Length::l) {
                // Wide text converts under the C locale: ASCII only.
                std::memcpy(spec + n, "ls", 3);
                const wchar_t* str = va_arg(ap, const wchar_t*);
                AppendOne(out, spec, str ? str : L"(null)");
            } else {
                std::memcpy(spec + n, "s", 2);
                const char* str = va_arg(ap, const char*);
                AppendOne(out, spec, str ? str : "(null)");
            }
            break;
        case 'p':
            spec[n++] = 'p';
            spec[n] = '\0';
            AppendOne(out, spec, va_arg(ap, void*));
            break;
        case 'n':
            // Takes its pointer so that the arguments after it stay in step,
            // but never writes through it.
            (void)va_arg(ap, void*);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A': {
            double v;
            if (len == Length::L) v = double(va_arg(ap, long double));
            else v = va_arg(ap, double);  // 'l' means double too
            if (!std::isfinite(v)) {
                // Results that are not numbers are delivered as +INF.
                AppendPadded(out, (std::isinf(v) && v < 0) ? "-INF" : "+INF",
                             width, left);
                break;
            }
            spec[n++] = conv;
            spec[n] = '\0';
            AppendOne(out, spec, v);
            break;
        }
        default:
            // An unknown conversion is copied as text and takes no argument.
            out.append(specStart, std::size_t(p - specStart));
            break;
        }
    }
    va_end(ap);
    return out;
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = VFormat(fmt, ap);
    va_end(ap);
    return s;
}

int SNPrintF(char* buf, std::size_t size, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = VFormat(fmt, ap);
    va_end(ap);
    if (buf && size > 0) {
        std::size_t n = s.size() < size - 1 ? s.size() : size - 1;
        std::memcpy(buf, s.data(), n);
        buf[n] = '\0';
    }
    return int(s.size());
}

}  // namespace kv
