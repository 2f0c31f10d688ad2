#include "profile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Profiles are a few kilobytes; anything far larger is not a profile, and reading
// it whole could exhaust memory. Such a file reads as missing and is never rewritten.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Section and key names compare without ASCII case. The second byte of a CP932
// double-byte character may be an ASCII letter; it is compared exactly, so two
// different Japanese names never collide.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte((unsigned char)a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

enum class LineKind { Other, Blank, Comment, Section, Key };

struct Line {
    std::string_view content;  // without the line end
    std::string_view eol;      // "\n", "\r\n", or empty for a last line without one
    LineKind kind = LineKind::Other;
    std::string_view name;     // section or key name, blanks trimmed
    std::string_view value;    // key value, blanks trimmed, quotes kept
};

struct Profile {
    std::string text;  // the file's bytes; the views of `lines` point into it
    std::string_view bom;
    std::vector<Line> lines;
    std::string_view eol = "\n";  // what new lines end with
};

Line ParseLine(std::string_view content, std::string_view eol) {
    Line line;
    line.content = content;
    line.eol = eol;
    std::string_view s = Trim(content);
    if (s.empty()) {
        line.kind = LineKind::Blank;
        return line;
    }
    if (s.front() == ';') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (s.front() == '[') {
        std::size_t close = s.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = Trim(s.substr(1, close - 1));
            return line;
        }
    }
    std::size_t eq = s.find('=');
    if (eq != std::string_view::npos) {
        std::string_view name = Trim(s.substr(0, eq));
        if (!name.empty()) {
            line.kind = LineKind::Key;
            line.name = name;
            line.value = Trim(s.substr(eq + 1));
        }
    }
    return line;
}

void Parse(Profile& p) {
    std::string_view rest = p.text;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        p.bom = rest.substr(0, 3);
        rest.remove_prefix(3);
    }
    bool eolChosen = false;
    while (!rest.empty()) {
        std::size_t nl = rest.find('\n');
        std::string_view content = nl == std::string_view::npos ? rest : rest.substr(0, nl);
        std::string_view eol;
        if (nl != std::string_view::npos) {
            eol = rest.substr(nl, 1);
            if (!content.empty() && content.back() == '\r') {
                content.remove_suffix(1);
                eol = rest.substr(nl - 1, 2);
            }
            // New lines follow the convention the file already uses.
            if (!eolChosen) {
                p.eol = eol.size() == 2 ? "\r\n" : "\n";
                eolChosen = true;
            }
            rest.remove_prefix(nl + 1);
        } else {
            rest = {};
        }
        p.lines.push_back(ParseLine(content, eol));
    }
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadProfile(const char* path, Profile& p) {
    if (!path || !*path) return ReadResult::Failed;
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::size_t(st.st_size) > kMaxProfileBytes) {
        ::close(fd);
        return ReadResult::Failed;
    }
    std::string text;
    text.reserve(std::size_t(st.st_size));
    char buf[16384];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || text.size() + std::size_t(n) > kMaxProfileBytes) {
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        text.append(buf, std::size_t(n));
    }
    ::close(fd);
    p.text = std::move(text);
    Parse(p);
    return ReadResult::Ok;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

// Replaces the file's contents through a temporary file beside it and a rename, so
// that a crash mid-write leaves either the old profile or the new one, never a
// half. A symbolic link is followed, so the link itself survives.
bool ReplaceFile(const std::string& path, std::string_view data) {
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st;
    bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return false;

    std::string temp;
    int fd = -1;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", long(::getpid()), counter.fetch_add(1));
        temp = target + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data);
    if (ok && existed) ok = ::fchmod(fd, st.st_mode & 07777) == 0 || errno == EPERM;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

// Indices of the header lines of every section called `section`.
std::vector<std::size_t> FindSections(const Profile& p, std::string_view section) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < p.lines.size(); ++i)
        if (p.lines[i].kind == LineKind::Section && NamesEqual(p.lines[i].name, section))
            out.push_back(i);
    return out;
}

// One past the last line of the section whose header is at `header`.
std::size_t SectionEnd(const Profile& p, std::size_t header) {
    std::size_t i = header + 1;
    while (i < p.lines.size() && p.lines[i].kind != LineKind::Section) ++i;
    return i;
}

// The first line holding `key` in any section called `section`, in file order.
const Line* FindKey(const Profile& p, std::string_view section, std::string_view key,
                    std::size_t* index = nullptr) {
    for (std::size_t h : FindSections(p, section)) {
        std::size_t end = SectionEnd(p, h);
        for (std::size_t i = h + 1; i < end; ++i) {
            if (p.lines[i].kind == LineKind::Key && NamesEqual(p.lines[i].name, key)) {
                if (index) *index = i;
                return &p.lines[i];
            }
        }
    }
    return nullptr;
}

// One pair of enclosing quotes (double or single) comes off a value on reading.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The stored value of the key, or nothing when the file, section or key is missing.
bool LookUp(const char* path, const char* section, const char* key, std::string& out) {
    Profile p;
    if (ReadProfile(path, p) != ReadResult::Ok) return false;
    const Line* line = FindKey(p, Trim(section), Trim(key));
    if (!line) return false;
    out.assign(Unquote(line->value));
    return true;
}

void AddDistinct(std::vector<std::string>& names, std::string_view name) {
    for (const std::string& n : names)
        if (NamesEqual(n, name)) return;
    names.emplace_back(name);
}

// Copies a list of names into buf as the listing form: each name zero-terminated,
// an extra zero after the last. When it does not fit, the last name is cut and two
// zeros end the buffer; the result is then size - 2.
DWORD CopyList(const std::vector<std::string>& names, char* buf, DWORD size) {
    std::string all;
    for (const std::string& n : names) {
        all += n;
        all += '\0';
    }
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    if (all.size() + 1 <= size) {
        all.copy(buf, all.size());
        buf[all.size()] = '\0';
        if (all.empty()) buf[1] = '\0';
        return DWORD(all.size());
    }
    all.copy(buf, size - 2);
    buf[size - 2] = '\0';
    buf[size - 1] = '\0';
    return size - 2;
}

// A value may not break the line structure: it ends at the first line break.
std::string_view OneLine(std::string_view v) {
    std::size_t cut = v.find_first_of("\r\n");
    return cut == std::string_view::npos ? v : v.substr(0, cut);
}

bool ValidName(std::string_view name, bool isKey) {
    if (name.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!isKey) return true;
    // A key that would read back as a section, a comment or another key is refused.
    return !name.empty() && name.find('=') == std::string_view::npos && name.front() != '[' &&
           name.front() != ';';
}

// The file rebuilt with edits: lines dropped, one line's content replaced, new
// lines inserted after one line (or at the end when `insertAfter` is npos).
struct Edit {
    std::vector<bool> drop;
    std::size_t replace = std::string::npos;
    std::string replacement;
    std::size_t insertAfter = std::string::npos;
    std::vector<std::string> inserted;
};

std::string Rebuild(const Profile& p, const Edit& e) {
    std::string out;
    out.reserve(p.text.size() + 256);
    out += p.bom;
    auto emitInserted = [&] {
        for (const std::string& s : e.inserted) {
            // The line before may be a last line without a line end.
            if (!out.empty() && out.back() != '\n') out += p.eol;
            out += s;
            out += p.eol;
        }
    };
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        if (!e.drop.empty() && e.drop[i]) continue;
        const Line& l = p.lines[i];
        if (i == e.replace) out += e.replacement;
        else out += l.content;
        out += l.eol;
        if (i == e.insertAfter) emitInserted();
    }
    if (e.insertAfter == std::string::npos) emitInserted();
    return out;
}

}  // namespace

UINT GetPrivateProfileIntA(const char* section, const char* key, int def, const char* path) {
    if (!section || !key) return UINT(def);
    std::string value;
    if (!LookUp(path, section, key, value) || value.empty()) return UINT(def);
    // Leading blanks, an optional sign, then decimal digits; the value wraps modulo
    // 2^32 like the system's conversion, so "-360" comes back as the bit pattern
    // of -360.
    const char* s = value.c_str();
    while (IsBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    std::uint32_t r = 0;
    for (; *s >= '0' && *s <= '9'; ++s) r = r * 10u + std::uint32_t(*s - '0');
    return negative ? UINT(0u - r) : UINT(r);
}

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                               char* buf, DWORD size, const char* path) {
    if (!buf || size == 0) return 0;
    if (!section || !key) {
        std::vector<std::string> names;
        Profile p;
        if (ReadProfile(path, p) == ReadResult::Ok) {
            if (!section) {
                for (const Line& l : p.lines)
                    if (l.kind == LineKind::Section) AddDistinct(names, l.name);
            } else {
                for (std::size_t h : FindSections(p, Trim(section))) {
                    std::size_t end = SectionEnd(p, h);
                    for (std::size_t i = h + 1; i < end; ++i)
                        if (p.lines[i].kind == LineKind::Key) AddDistinct(names, p.lines[i].name);
                }
            }
        }
        return CopyList(names, buf, size);
    }
    std::string value;
    if (!LookUp(path, section, key, value)) {
        // The default loses its trailing blanks, as the system does.
        std::string_view d = def ? def : "";
        while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
        value.assign(d);
    }
    // A value may hold a zero byte; the caller sees a C string up to it.
    value.resize(std::min(value.size(), std::strlen(value.c_str())));
    std::size_t n = std::min<std::size_t>(value.size(), size - 1);
    value.copy(buf, n);
    buf[n] = '\0';
    return DWORD(n);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
    if (!section) return (!key && !value) ? 1 : 0;  // nothing to write
    if (!path || !*path) return 0;
    std::string_view sec = Trim(section);
    if (!ValidName(sec, false)) return 0;
    std::string_view k = key ? Trim(key) : std::string_view();
    if (key && !ValidName(k, true)) return 0;

    Profile p;
    ReadResult rr = ReadProfile(path, p);
    if (rr == ReadResult::Failed) return 0;  // never overwrite what could not be read

    Edit e;
    if (!key || !value) {
        // Deleting: every section of that name, or every line of the key in them.
        e.drop.assign(p.lines.size(), false);
        bool any = false;
        for (std::size_t h : FindSections(p, sec)) {
            std::size_t end = SectionEnd(p, h);
            for (std::size_t i = key ? h + 1 : h; i < end; ++i) {
                if (!key || (p.lines[i].kind == LineKind::Key && NamesEqual(p.lines[i].name, k))) {
                    e.drop[i] = true;
                    any = true;
                }
            }
        }
        if (!any) return 1;
    } else {
        std::string_view v = OneLine(value);
        std::size_t at = 0;
        if (const Line* line = FindKey(p, sec, k, &at)) {
            if (line->value == v) return 1;  // unchanged: leave the file alone
            e.replace = at;
            e.replacement.assign(line->name);  // the key keeps its spelling
            e.replacement += '=';
            e.replacement += v;
        } else {
            std::string newLine(k);
            newLine += '=';
            newLine += v;
            std::vector<std::size_t> sections = FindSections(p, sec);
            if (!sections.empty()) {
                // After the section's last non-blank line, so that a blank line
                // separating it from the next section stays where it is.
                std::size_t h = sections.front();
                std::size_t last = h;
                for (std::size_t i = h + 1, end = SectionEnd(p, h); i < end; ++i)
                    if (p.lines[i].kind != LineKind::Blank) last = i;
                e.insertAfter = last;
            } else {
                std::string header = "[";
                header += sec;
                header += ']';
                e.inserted.push_back(std::move(header));
            }
            e.inserted.push_back(std::move(newLine));
        }
    }
    return ReplaceFile(path, Rebuild(p, e)) ? 1 : 0;
}

namespace kv {

std::string GetProfileString(const char* section, const char* key, const char* def,
                             const char* path) {
    std::string value;
    if (section && key && LookUp(path, section, key, value)) {
        value.resize(std::strlen(value.c_str()));
        return value;
    }
    std::string_view d = def ? def : "";
    while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
    return std::string(d);
}

}  // namespace kv
