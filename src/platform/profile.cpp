#include "profile.h"

#include "safefile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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
// double-byte character may be an ASCII letter; it is kept exactly, so two
// different Japanese names never collide. Two names are equal exactly when their
// folded forms are.
std::string Fold(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsLeadByte((unsigned char)out[i]) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        out[i] = FoldAscii(out[i]);
    }
    return out;
}

enum class LineKind { Other, Blank, Comment, Section, Key };

struct Line {
    std::string_view content;  // without the line end
    std::string_view eol;      // "\n", "\r\n", or empty for a last line without one
    LineKind kind = LineKind::Other;
    std::string_view name;     // section or key name, blanks trimmed
    std::string_view value;    // key value, blanks trimmed, quotes kept
    bool owned = false;        // written by the program (content not from the file read)
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

// One pair of enclosing quotes (double or single) comes off a value on reading.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
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

// All of data to fd, however the writes are cut.
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

// A profile file held in memory: its lines grouped by section, with indexes from
// folded section and key names to lines, so that a key is found and changed
// without a pass over the file. Untouched lines stay views of the bytes read and
// are written back byte for byte.
class Document {
public:
    enum class State { Ok, Missing, Failed };

    explicit Document(const char* path) {
        if (!path || !*path) {
            state_ = State::Failed;
            return;
        }
        switch (kv::ReadRegularFile(path, text_, kMaxProfileBytes)) {
        case kv::FileReadStatus::Ok: state_ = State::Ok; break;
        case kv::FileReadStatus::Missing: state_ = State::Missing; break;
        case kv::FileReadStatus::Refused: state_ = State::Failed; return;
        }
        Parse();
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    State GetState() const { return state_; }
    bool Readable() const { return state_ != State::Failed; }
    bool Changed() const { return changed_; }
    void MarkWritten() { changed_ = false; }

    // The first line holding key in any section called section, in file order.
    const Line* Find(std::string_view section, std::string_view key) {
        const std::vector<std::size_t>* list = SectionsNamed(section);
        return list ? FindKey(*list, Fold(key)) : nullptr;
    }

    std::vector<std::string> SectionNames() const {
        std::vector<std::string> names;
        std::unordered_set<std::string> seen;
        for (const Section& sec : sections_)
            if (sec.hasHeader && !sec.dropped && seen.insert(Fold(sec.header.name)).second)
                names.emplace_back(sec.header.name);
        return names;
    }

    std::vector<std::string> KeyNames(std::string_view section) {
        std::vector<std::string> names;
        std::unordered_set<std::string> seen;
        if (const std::vector<std::size_t>* list = SectionsNamed(section))
            for (std::size_t s : *list)
                for (const Line& l : sections_[s].body)
                    if (l.kind == LineKind::Key && seen.insert(Fold(l.name)).second) names.emplace_back(l.name);
        return names;
    }

    // Sets key=value (value already cut to one line); the key keeps its spelling
    // where it is already present.
    void Set(std::string_view section, std::string_view key, std::string_view value) {
        if (const std::vector<std::size_t>* list = SectionsNamed(section)) {
            const std::string k = Fold(key);
            if (Line* line = FindKey(*list, k)) {
                if (line->value == value) return;  // unchanged: leave the file alone
                std::string text(line->name);
                text += '=';
                text += value;
                *line = OwnedLine(std::move(text), line->eol);
                changed_ = true;
                return;
            }
            // After the first such section's last non-blank line, so that a blank
            // line separating it from the next section stays where it is. Only
            // blank lines follow there, so no key changes its place.
            Section& sec = sections_[list->front()];
            std::size_t at = sec.body.size();
            while (at > 0 && sec.body[at - 1].kind == LineKind::Blank) --at;
            sec.body.insert(sec.body.begin() + std::ptrdiff_t(at), NewKeyLine(key, value));
            if (sec.keysBuilt) sec.keys.emplace(k, at);
            changed_ = true;
            return;
        }
        Section sec;
        sec.hasHeader = true;
        std::string header = "[";
        header += section;
        header += ']';
        sec.header = OwnedLine(std::move(header), eol_);
        sec.body.push_back(NewKeyLine(key, value));
        sections_.push_back(std::move(sec));
        byName_[Fold(section)].push_back(sections_.size() - 1);
        changed_ = true;
    }

    // Removes every line of the key in every section of that name.
    void DeleteKey(std::string_view section, std::string_view key) {
        const std::vector<std::size_t>* list = SectionsNamed(section);
        if (!list) return;
        const std::string k = Fold(key);
        for (std::size_t s : *list) {
            Section& sec = sections_[s];
            if (KeysOf(sec).count(k) == 0) continue;
            std::erase_if(sec.body, [&](const Line& l) { return l.kind == LineKind::Key && Fold(l.name) == k; });
            sec.keysBuilt = false;
            sec.keys.clear();
            changed_ = true;
        }
    }

    // Removes every section of that name with all its lines.
    void DeleteSection(std::string_view section) {
        auto it = byName_.find(Fold(section));
        if (it == byName_.end()) return;
        for (std::size_t s : it->second) sections_[s].dropped = true;
        byName_.erase(it);
        changed_ = true;
    }

    std::string Text() const {
        std::string out;
        out.reserve(text_.size() + 4096);
        out += bom_;
        auto emit = [&](const Line& l) {
            // The file's last line may have had no line end; it gets one when a
            // new line now follows it.
            if (l.owned && !out.empty() && out.back() != '\n') out += eol_;
            out += l.content;
            out += l.eol;
        };
        for (const Section& sec : sections_) {
            if (sec.dropped) continue;
            if (sec.hasHeader) emit(sec.header);
            for (const Line& l : sec.body) emit(l);
        }
        return out;
    }

private:
    struct Section {
        bool hasHeader = false;  // the lines before the first section have none
        bool dropped = false;
        Line header;
        std::vector<Line> body;
        bool keysBuilt = false;
        std::unordered_map<std::string, std::size_t> keys;  // folded key -> first line in body
    };

    void Parse() {
        std::string_view rest = text_;
        if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
            bom_ = rest.substr(0, 3);
            rest.remove_prefix(3);
        }
        sections_.emplace_back();  // the lines before the first section
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
                    eol_ = eol.size() == 2 ? "\r\n" : "\n";
                    eolChosen = true;
                }
                rest.remove_prefix(nl + 1);
            } else {
                rest = {};
            }
            Line line = ParseLine(content, eol);
            if (line.kind == LineKind::Section) {
                Section sec;
                sec.hasHeader = true;
                sec.header = line;
                sections_.push_back(std::move(sec));
                byName_[Fold(line.name)].push_back(sections_.size() - 1);
            } else {
                sections_.back().body.push_back(line);
            }
        }
    }

    const std::vector<std::size_t>* SectionsNamed(std::string_view section) const {
        auto it = byName_.find(Fold(section));
        return it == byName_.end() ? nullptr : &it->second;
    }

    // The first line holding the folded key in the sections of list, in file
    // order.
    Line* FindKey(const std::vector<std::size_t>& list, const std::string& folded) {
        for (std::size_t s : list) {
            Section& sec = sections_[s];
            const auto& keys = KeysOf(sec);
            auto it = keys.find(folded);
            if (it != keys.end()) return &sec.body[it->second];
        }
        return nullptr;
    }

    const std::unordered_map<std::string, std::size_t>& KeysOf(Section& sec) {
        if (!sec.keysBuilt) {
            sec.keys.clear();
            for (std::size_t i = 0; i < sec.body.size(); ++i)
                if (sec.body[i].kind == LineKind::Key) sec.keys.emplace(Fold(sec.body[i].name), i);
            sec.keysBuilt = true;
        }
        return sec.keys;
    }

    Line OwnedLine(std::string text, std::string_view eol) {
        Line line = ParseLine(owned_.emplace_back(std::move(text)), eol);
        line.owned = true;
        return line;
    }

    Line NewKeyLine(std::string_view key, std::string_view value) {
        std::string text(key);
        text += '=';
        text += value;
        return OwnedLine(std::move(text), eol_);
    }

    State state_ = State::Missing;
    bool changed_ = false;
    std::string text_;               // the file's bytes; unchanged lines are views into it
    std::deque<std::string> owned_;  // the text of new and changed lines (stable addresses)
    std::string_view bom_;
    std::string_view eol_ = "\n";   // what new lines end with
    std::vector<Section> sections_;  // [0]: the lines before the first section
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;  // folded name -> sections, in file order
};

// The documents of the batches now open, by path.
struct OpenBatch {
    int users = 0;
    std::unique_ptr<Document> doc;  // read at the first call
};

std::mutex& Lock() {
    static std::mutex m;
    return m;
}

std::map<std::string, OpenBatch>& Batches() {
    static std::map<std::string, OpenBatch> batches;
    return batches;
}

bool Store(const char* path, Document& doc) {
    if (!doc.Changed()) return true;
    if (!ReplaceFile(path, doc.Text())) return false;
    doc.MarkWritten();
    return true;
}

// Runs f on the profile at path: the batch's document when one is open on the
// path, otherwise the file read for this call alone, in which case a change is
// written at once. f returns the call's result (for a change, whether it was
// accepted).
// The document of the batch open on path, read at its first use; null when no
// batch is open on it. The lock is held.
Document* BatchDocument(const char* path) {
    if (!path || !*path) return nullptr;
    auto it = Batches().find(path);
    if (it == Batches().end()) return nullptr;
    OpenBatch& b = it->second;
    if (!b.doc) b.doc = std::make_unique<Document>(path);
    return b.doc.get();
}

template <class F>
auto WithDocument(const char* path, F f) -> decltype(f(std::declval<Document&>())) {
    std::lock_guard<std::mutex> guard(Lock());
    if (Document* batch = BatchDocument(path)) return f(*batch);
    Document doc(path);
    return f(doc);
}

BOOL Change(const char* path, const std::function<void(Document&)>& change) {
    std::lock_guard<std::mutex> guard(Lock());
    if (Document* batch = BatchDocument(path)) {
        if (!batch->Readable()) return 0;  // never overwrite what could not be read
        change(*batch);
        return 1;
    }
    Document doc(path);
    if (!doc.Readable()) return 0;
    change(doc);
    return Store(path, doc) ? 1 : 0;
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

// The stored value of the key, or nothing when the file, section or key is missing.
bool LookUp(const char* path, const char* section, const char* key, std::string& out) {
    return WithDocument(path, [&](Document& doc) {
        if (!doc.Readable()) return false;
        const Line* line = doc.Find(Trim(section), Trim(key));
        if (!line) return false;
        out.assign(Unquote(line->value));
        return true;
    });
}

std::string DefaultValue(const char* def) {
    // The default loses its trailing blanks, as the system does.
    std::string_view d = def ? def : "";
    while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
    return std::string(d);
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
        std::vector<std::string> names = WithDocument(path, [&](Document& doc) {
            if (!doc.Readable()) return std::vector<std::string>();
            return section ? doc.KeyNames(Trim(section)) : doc.SectionNames();
        });
        return CopyList(names, buf, size);
    }
    std::string value;
    if (!LookUp(path, section, key, value)) value = DefaultValue(def);
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

    return Change(path, [&](Document& doc) {
        if (!key) doc.DeleteSection(sec);
        else if (!value) doc.DeleteKey(sec, k);
        else doc.Set(sec, k, OneLine(value));
    });
}

namespace kv {

std::string GetProfileString(const char* section, const char* key, const char* def,
                             const char* path) {
    std::string value;
    if (section && key && LookUp(path, section, key, value)) {
        value.resize(std::strlen(value.c_str()));
        return value;
    }
    return DefaultValue(def);
}

ProfileBatch::ProfileBatch(std::string path) : path_(std::move(path)) {
    std::lock_guard<std::mutex> guard(Lock());
    ++Batches()[path_].users;
}

ProfileBatch::~ProfileBatch() {
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Batches().find(path_);
    if (it == Batches().end()) return;
    if (--it->second.users > 0) return;
    // There is no one to tell of a failed write at the end of a batch.
    if (it->second.doc && it->second.doc->Readable()) (void)Store(path_.c_str(), *it->second.doc);
    Batches().erase(it);
}

bool ProfileBatch::Flush() {
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Batches().find(path_);
    if (it == Batches().end() || !it->second.doc) return true;
    Document& doc = *it->second.doc;
    return !doc.Readable() || Store(path_.c_str(), doc);
}

}  // namespace kv
