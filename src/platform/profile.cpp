#include "profile.h"

#include "safefile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Profiles are a few kilobytes; anything far larger is not a profile, and reading
// it whole could exhaust memory. Such a file reads as missing and is never rewritten.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

std::atomic<std::uint64_t> parses{0};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Section and key names compare without ASCII case. The second byte of a CP932
// double-byte character may be an ASCII letter; it is kept exactly, so two
// different Japanese names never collide. Two names are equal exactly when their
// folded forms are; FoldedBytes gives a name's folded form byte by byte.
class FoldedBytes {
public:
    explicit FoldedBytes(std::string_view s) : s_(s) {}
    char Next() {
        const char c = s_[i_++];
        if (trail_) {
            trail_ = false;
            return c;
        }
        if (IsLeadByte((unsigned char)c) && i_ < s_.size()) {
            trail_ = true;
            return c;
        }
        return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
    bool trail_ = false;
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    FoldedBytes fa(a), fb(b);
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fa.Next() != fb.Next()) return false;
    return true;
}

std::uint32_t NameHash(std::string_view name) {
    std::uint64_t h = 14695981039346656037u;  // FNV-1a over the folded bytes
    FoldedBytes f(name);
    for (std::size_t i = 0; i < name.size(); ++i) h = (h ^ (unsigned char)f.Next()) * 1099511628211u;
    return std::uint32_t(h ^ (h >> 32));
}

enum class LineKind : std::uint8_t { Other, Blank, Comment, Section, Key, Dropped };

// One line of the file: where its text is (in the bytes read or in a line the
// program wrote) and what it is. Names and values are taken from the text when
// asked for, so that a large file costs one pass and a few bytes a line.
struct Line {
    const char* data = nullptr;  // the content, followed by its line end
    std::uint32_t size = 0;      // the content's length, without the line end
    std::uint8_t eol = 0;        // the line end's length: 0 (a last line), 1 "\n", 2 "\r\n"
    LineKind kind = LineKind::Other;
    bool owned = false;          // written by the program (not from the file read)

    std::string_view Content() const { return {data, size}; }
    std::string_view Whole() const { return {data, std::size_t(size) + eol}; }
};

LineKind Classify(std::string_view content) {
    std::string_view s = Trim(content);
    if (s.empty()) return LineKind::Blank;
    if (s.front() == ';') return LineKind::Comment;
    if (s.front() == '[' && s.rfind(']') != std::string_view::npos) return LineKind::Section;
    std::size_t eq = s.find('=');
    if (eq != std::string_view::npos && !Trim(s.substr(0, eq)).empty()) return LineKind::Key;
    return LineKind::Other;
}

// A section line's name, blanks trimmed.
std::string_view SectionName(const Line& l) {
    std::string_view s = Trim(l.Content());
    return Trim(s.substr(1, s.rfind(']') - 1));
}

// A key line's name and value, blanks trimmed, quotes kept.
std::string_view KeyName(const Line& l) {
    std::string_view s = Trim(l.Content());
    return Trim(s.substr(0, s.find('=')));
}
std::string_view KeyValue(const Line& l) {
    std::string_view s = Trim(l.Content());
    return Trim(s.substr(s.find('=') + 1));
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

// An open-addressing table from folded names to 64-bit values. The table keeps
// only hashes and values; the caller's nameOf(value) gives the name back, so a
// large file's names are never copied.
class NameTable {
public:
    static constexpr std::uint64_t kNone = ~std::uint64_t(0);

    void Clear() {
        slots_.clear();
        used_ = 0;
    }

    // Room for n names without growing.
    void Reserve(std::size_t n) {
        std::size_t size = 16;
        while (size * 3 < n * 4 + 4) size *= 2;
        if (size > slots_.size()) Rehash(size);
    }

    template <class NameOf>
    std::uint64_t Find(std::string_view name, NameOf nameOf) const {
        return slots_.empty() ? kNone : slots_[Probe(name, NameHash(name), nameOf)].value;
    }

    // Sets the value of name, adding it when absent.
    template <class NameOf>
    void Put(std::string_view name, std::uint64_t value, NameOf nameOf) {
        if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
        const std::uint32_t h = NameHash(name);
        Slot& s = slots_[Probe(name, h, nameOf)];
        if (s.value == kNone) ++used_;
        s = {h, value};
    }

    // Adds name unless present; false when it was present (the value kept).
    template <class NameOf>
    bool Add(std::string_view name, std::uint64_t value, NameOf nameOf) {
        return Add(name, NameHash(name), value, nameOf);
    }
    // The same with the name's hash already known.
    template <class NameOf>
    bool Add(std::string_view name, std::uint32_t h, std::uint64_t value, NameOf nameOf) {
        if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
        Slot& s = slots_[Probe(name, h, nameOf)];
        if (s.value != kNone) return false;
        s = {h, value};
        ++used_;
        return true;
    }

    // Asks the processor to fetch the slot where a name of hash h starts looking.
    void Prefetch(std::uint32_t h) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[h & Mask()]);
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint64_t value = kNone;
    };
    std::size_t Mask() const { return slots_.size() - 1; }
    // The slot holding name (of hash h), or the empty one where it would go.
    template <class NameOf>
    std::size_t Probe(std::string_view name, std::uint32_t h, NameOf nameOf) const {
        std::size_t i = h & Mask();
        while (slots_[i].value != kNone && !(slots_[i].hash == h && SameName(nameOf(slots_[i].value), name)))
            i = (i + 1) & Mask();
        return i;
    }
    void Grow() { Rehash(std::max<std::size_t>(16, slots_.size() * 2)); }
    void Rehash(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot());
        for (const Slot& s : old) {
            if (s.value == kNone) continue;
            std::size_t i = s.hash & Mask();
            while (slots_[i].value != kNone) i = (i + 1) & Mask();
            slots_[i] = s;
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

constexpr std::uint32_t kNoIndex = ~std::uint32_t(0);

// A profile file held in memory. The lines are kept in one array in file order;
// a section is a run of it until the program adds a line to it, when it gets
// its own copy. Sections of the same name (compared without case) form a group,
// found through a table of names; a group's keys get a table of their own at the
// first lookup. Untouched lines stay views of the bytes read and are written
// back byte for byte.
class Document {
public:
    enum class State { Ok, Missing, Failed };

    // A file that is missing (empty) or could not be read.
    explicit Document(State state) : state_(state) { sections_.emplace_back(); }

    // The bytes of a file read.
    explicit Document(std::string text) : state_(State::Ok), text_(std::move(text)) {
        parses.fetch_add(1, std::memory_order_relaxed);
        Parse();
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    bool Readable() const { return state_ != State::Failed; }
    bool Changed() const { return changed_; }
    void MarkWritten() { changed_ = false; }
    // The bytes the lines not written by the program are views of.
    const std::string& Source() const { return text_; }
    std::size_t OwnedBytes() const { return ownedBytes_; }

    // Whether this document, once written as text, is the document a reading of
    // that text would give. It is not when a line end was put after a line that
    // had none (a reading would see it as part of that line), or when the text's
    // first line end is not the one new lines get (a reading would take that
    // one for new lines).
    bool IsReadingOf(std::string_view text, bool lineEndAdded) const {
        if (lineEndAdded) return false;
        const std::size_t nl = text.find('\n', bom_.size());
        const bool crlf = nl != std::string_view::npos && nl > bom_.size() && text[nl - 1] == '\r';
        return eol_ == (crlf ? "\r\n" : "\n");
    }

    // The first line holding key in any section called section, in file order.
    const Line* Find(std::string_view section, std::string_view key) {
        const std::uint32_t g = GroupNamed(section);
        if (g == kNoIndex) return nullptr;
        const std::uint64_t at = KeysOf(g).Find(key, [&](std::uint64_t v) { return KeyName(LineAt(v)); });
        return at == NameTable::kNone ? nullptr : &LineAt(at);
    }

    std::vector<std::string> SectionNames() const {
        std::vector<std::string> names;
        std::vector<bool> seen(groups_.size());
        for (const Section& sec : sections_) {
            if (sec.group == kNoIndex || sec.dropped || seen[sec.group]) continue;
            seen[sec.group] = true;
            names.emplace_back(SectionName(sec.header));
        }
        return names;
    }

    std::vector<std::string> KeyNames(std::string_view section) {
        std::vector<std::string> names;
        const std::uint32_t g = GroupNamed(section);
        if (g == kNoIndex) return names;
        NameTable seen;
        std::vector<std::string_view> spelled;
        auto nameOf = [&](std::uint64_t v) { return spelled[std::size_t(v)]; };
        for (std::uint32_t s = groups_[g].first; s != kNoIndex; s = sections_[s].nextSame) {
            const Section& sec = sections_[s];
            for (std::uint32_t i = 0; i < BodySize(sec); ++i) {
                const Line& l = Body(sec, i);
                if (l.kind != LineKind::Key) continue;
                const std::string_view name = KeyName(l);
                spelled.push_back(name);
                if (seen.Add(name, spelled.size() - 1, nameOf)) names.emplace_back(name);
            }
        }
        return names;
    }

    // Sets key=value (value already cut to one line); the key keeps its spelling
    // where it is already present.
    void Set(std::string_view section, std::string_view key, std::string_view value) {
        const std::uint32_t g = GroupNamed(section);
        if (g == kNoIndex) {
            AddSection(section, key, value);
            return;
        }
        auto nameOf = [&](std::uint64_t v) { return KeyName(LineAt(v)); };
        const std::uint64_t at = KeysOf(g).Find(key, nameOf);
        if (at != NameTable::kNone) {
            Line& line = LineAt(at);
            if (KeyValue(line) == value) return;  // unchanged: leave the file alone
            const std::string_view eol = line.Whole().substr(line.size);
            std::string text(KeyName(line));
            text += '=';
            text += value;
            text += eol;
            line = OwnedLine(std::move(text), eol);
            changed_ = true;
            return;
        }
        // After the first such section's last non-blank line, so that a blank
        // line separating it from the next section stays where it is. Only blank
        // and deleted lines follow there, so no key changes its place.
        const std::uint32_t s = groups_[g].first;
        std::vector<Line>& body = Detach(s);
        std::size_t pos = body.size();
        while (pos > 0 && (body[pos - 1].kind == LineKind::Blank || body[pos - 1].kind == LineKind::Dropped)) --pos;
        body.insert(body.begin() + std::ptrdiff_t(pos), NewKeyLine(key, value));
        groups_[g].keys.Put(key, Where(s, std::uint32_t(pos)), nameOf);  // built by the lookup above
        changed_ = true;
    }

    // Removes every line of the key in every section of that name.
    void DeleteKey(std::string_view section, std::string_view key) {
        const std::uint32_t g = GroupNamed(section);
        if (g == kNoIndex) return;
        if (KeysOf(g).Find(key, [&](std::uint64_t v) { return KeyName(LineAt(v)); }) == NameTable::kNone) return;
        for (std::uint32_t s = groups_[g].first; s != kNoIndex; s = sections_[s].nextSame) {
            Section& sec = sections_[s];
            for (std::uint32_t i = 0; i < BodySize(sec); ++i) {
                Line& l = Body(sec, i);
                if (l.kind == LineKind::Key && SameName(KeyName(l), key)) l.kind = LineKind::Dropped;
            }
        }
        groups_[g].keysBuilt = false;
        groups_[g].keys.Clear();
        changed_ = true;
    }

    // Removes every section of that name with all its lines.
    void DeleteSection(std::string_view section) {
        const std::uint32_t g = GroupNamed(section);
        if (g == kNoIndex) return;
        groups_[g].dropped = true;
        for (std::uint32_t s = groups_[g].first; s != kNoIndex; s = sections_[s].nextSame) sections_[s].dropped = true;
        changed_ = true;
    }

    // The file's text; lineEndAdded: set when a line that had no line end got one.
    std::string Text(bool* lineEndAdded = nullptr) const {
        std::string out;
        out.reserve(text_.size() + ownedBytes_);
        out += bom_;
        // Lines read from the file that follow each other there are copied in one
        // piece.
        const char* runBegin = nullptr;
        const char* runEnd = nullptr;
        auto flush = [&] {
            if (runBegin != runEnd) out.append(runBegin, std::size_t(runEnd - runBegin));
            runBegin = runEnd = nullptr;
        };
        bool open = false;  // the last line put out has no line end
        auto emit = [&](const Line& l) {
            if (l.kind == LineKind::Dropped) return;
            if (!l.owned) {
                if (l.data != runEnd) {
                    flush();
                    runBegin = l.data;
                }
                runEnd = l.data + l.size + l.eol;
            } else {
                flush();
                // The file's last line may have had no line end; it gets one when
                // a new line now follows it.
                if (open) {
                    out += eol_;
                    if (lineEndAdded) *lineEndAdded = true;
                }
                out += l.Whole();
            }
            open = l.eol == 0;
        };
        for (const Section& sec : sections_) {
            if (sec.dropped) continue;
            if (sec.group != kNoIndex) emit(sec.header);
            for (std::uint32_t i = 0; i < BodySize(sec); ++i) emit(Body(sec, i));
        }
        flush();
        return out;
    }

private:
    struct Section {
        Line header;                      // for a section with a name
        std::uint32_t group = kNoIndex;   // none: the lines before the first section
        std::uint32_t nextSame = kNoIndex;  // the next section of the group, in file order
        std::uint32_t first = 0, count = 0;  // its lines in lines_, until it is detached
        std::unique_ptr<std::vector<Line>> own;  // its lines, once the program added one
        bool dropped = false;
    };
    struct Group {
        std::uint32_t first = kNoIndex, last = kNoIndex;  // sections, in file order
        bool dropped = false;
        bool keysBuilt = false;
        NameTable keys;  // folded key -> its first line in the group (Where)
    };

    static std::uint32_t BodySize(const Section& sec) {
        return sec.own ? std::uint32_t(sec.own->size()) : sec.count;
    }
    const Line& Body(const Section& sec, std::uint32_t i) const {
        return sec.own ? (*sec.own)[i] : lines_[sec.first + i];
    }
    Line& Body(Section& sec, std::uint32_t i) { return sec.own ? (*sec.own)[i] : lines_[sec.first + i]; }

    static std::uint64_t Where(std::uint32_t section, std::uint32_t line) {
        return (std::uint64_t(section) << 32) | line;
    }
    Line& LineAt(std::uint64_t where) { return Body(sections_[std::size_t(where >> 32)], std::uint32_t(where)); }

    std::vector<Line>& Detach(std::uint32_t s) {
        Section& sec = sections_[s];
        if (!sec.own) {
            sec.own = std::make_unique<std::vector<Line>>(lines_.begin() + sec.first,
                                                          lines_.begin() + sec.first + sec.count);
        }
        return *sec.own;
    }

    std::string_view GroupName(std::uint64_t g) const { return SectionName(sections_[groups_[g].first].header); }

    // The group of that name, unless there is none or it was deleted.
    std::uint32_t GroupNamed(std::string_view name) const {
        const std::uint64_t g = names_.Find(name, [&](std::uint64_t v) { return GroupName(v); });
        return g == NameTable::kNone || groups_[g].dropped ? kNoIndex : std::uint32_t(g);
    }

    // Adds a section to the group of its name, or to a new group.
    void AddToGroup(std::uint32_t s) {
        const std::string_view name = SectionName(sections_[s].header);
        auto nameOf = [&](std::uint64_t v) { return GroupName(v); };
        const std::uint64_t found = names_.Find(name, nameOf);
        if (found != NameTable::kNone && !groups_[found].dropped) {
            Group& g = groups_[found];
            sections_[g.last].nextSame = s;
            g.last = s;
            sections_[s].group = std::uint32_t(found);
            return;
        }
        groups_.emplace_back();
        groups_.back().first = groups_.back().last = s;
        sections_[s].group = std::uint32_t(groups_.size() - 1);
        names_.Put(name, groups_.size() - 1, nameOf);
    }

    NameTable& KeysOf(std::uint32_t g) {
        Group& group = groups_[g];
        if (!group.keysBuilt) {
            group.keys.Clear();
            // The keys with their hashes first, in file order; then the table is
            // filled with its slots fetched a few keys ahead, since a large
            // table's slots are rarely in the cache.
            struct Key {
                std::string_view name;
                std::uint32_t hash;
                std::uint64_t where;
            };
            std::vector<Key> keys;
            for (std::uint32_t s = group.first; s != kNoIndex; s = sections_[s].nextSame) {
                const Section& sec = sections_[s];
                for (std::uint32_t i = 0; i < BodySize(sec); ++i) {
                    const Line& l = Body(sec, i);
                    if (l.kind != LineKind::Key) continue;
                    const std::string_view name = KeyName(l);
                    keys.push_back({name, NameHash(name), Where(s, i)});
                }
            }
            group.keys.Reserve(keys.size());
            auto nameOf = [&](std::uint64_t v) { return KeyName(LineAt(v)); };
            constexpr std::size_t kAhead = 16;
            for (std::size_t k = 0; k < keys.size(); ++k) {
                if (k + kAhead < keys.size()) group.keys.Prefetch(keys[k + kAhead].hash);
                group.keys.Add(keys[k].name, keys[k].hash, keys[k].where, nameOf);
            }
            group.keysBuilt = true;
        }
        return group.keys;
    }

    void AddSection(std::string_view section, std::string_view key, std::string_view value) {
        std::string header = "[";
        header += section;
        header += ']';
        header += eol_;
        sections_.emplace_back();
        Section& sec = sections_.back();
        sec.header = OwnedLine(std::move(header), eol_);
        sec.own = std::make_unique<std::vector<Line>>();
        sec.own->push_back(NewKeyLine(key, value));
        AddToGroup(std::uint32_t(sections_.size() - 1));
        changed_ = true;
    }

    void Parse() {
        std::string_view rest = text_;
        if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
            bom_ = rest.substr(0, 3);
            rest.remove_prefix(3);
        }
        sections_.emplace_back();  // the lines before the first section
        bool eolChosen = false;
        while (!rest.empty()) {
            const char* nl = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
            Line line;
            line.data = rest.data();
            if (nl) {
                std::size_t size = std::size_t(nl - rest.data());
                line.eol = 1;
                if (size > 0 && rest[size - 1] == '\r') {
                    --size;
                    line.eol = 2;
                }
                line.size = std::uint32_t(size);
                // New lines follow the convention the file already uses.
                if (!eolChosen) {
                    eol_ = line.eol == 2 ? "\r\n" : "\n";
                    eolChosen = true;
                }
                rest.remove_prefix(std::size_t(nl - rest.data()) + 1);
            } else {
                line.size = std::uint32_t(rest.size());
                rest = {};
            }
            line.kind = Classify(line.Content());
            if (line.kind == LineKind::Section) {
                sections_.emplace_back();
                Section& sec = sections_.back();
                sec.header = line;
                sec.first = std::uint32_t(lines_.size());
                AddToGroup(std::uint32_t(sections_.size() - 1));
            } else {
                lines_.push_back(line);
                ++sections_.back().count;
            }
        }
    }

    // A line the program wrote; text holds the content and then the line end.
    Line OwnedLine(std::string text, std::string_view eol) {
        ownedBytes_ += text.size();
        const std::string& kept = owned_.emplace_back(std::move(text));
        Line line;
        line.data = kept.data();
        line.size = std::uint32_t(kept.size() - eol.size());
        line.eol = std::uint8_t(eol.size());
        line.kind = Classify(line.Content());
        line.owned = true;
        return line;
    }

    Line NewKeyLine(std::string_view key, std::string_view value) {
        std::string text(key);
        text += '=';
        text += value;
        return OwnedLine(std::move(text) + std::string(eol_), eol_);
    }

    State state_;
    bool changed_ = false;
    std::string text_;               // the file's bytes; unchanged lines are views into it
    std::deque<std::string> owned_;  // the text of new and changed lines (stable addresses)
    std::size_t ownedBytes_ = 0;
    std::string_view bom_;
    std::string_view eol_ = "\n";    // what new lines end with
    std::vector<Line> lines_;        // the lines read, in file order, but the section lines
    std::vector<Section> sections_;  // [0]: the lines before the first section
    std::vector<Group> groups_;
    NameTable names_;                // folded section name -> group
};

// ---------------------------------------------------------------- the file

// What tells one content of a file from another without reading it: the file
// (device, inode), its size and its modification and change times to the
// nanosecond.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};

    Stamp() = default;
    explicit Stamp(const struct stat& st)
        : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtime(st.st_mtim), ctime(st.st_ctim) {}
    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

std::int64_t Nanoseconds(const timespec& t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

timespec Now() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

// Whether the stamp alone tells the content read under it from any later one.
// Every change of a file sets its change time to the clock of that moment, cut
// to the file system's granularity; a change made within the same tick as the
// one before can leave the stamp as it was (same size, same times). So the
// stamp only counts once the change time lies further back than a tick and the
// granularity before the moment the content was read (before: a clock reading
// taken before the file was looked at). The granularity is at most the largest
// power of ten dividing the change time's nanoseconds, and is taken as two
// seconds (FAT's) when they are 0. Until then the content is compared byte for
// byte at each use.
bool Settled(const Stamp& st, const timespec& before) {
    std::int64_t granularity = 2'000'000'000;
    if (long ns = st.ctime.tv_nsec; ns != 0) {
        granularity = 1;
        while (ns % 10 == 0) {
            ns /= 10;
            granularity *= 10;
        }
    }
    constexpr std::int64_t kTick = 50'000'000;  // far more than the kernel's clock tick
    return Nanoseconds(st.ctime) + granularity + kTick < Nanoseconds(before);
}

struct FileRead {
    kv::FileReadStatus status = kv::FileReadStatus::Refused;
    std::string bytes;
    bool stamped = false;  // the bytes are the file's content under stamp
    Stamp stamp;
    timespec before{};     // the clock before the file was opened
};

FileRead Unread(kv::FileReadStatus status) {
    FileRead r;
    r.status = status;
    return r;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The file's bytes with the stamp they were read under: the stamp is taken
// before and after the read, and a file that changed meanwhile is read again
// (after three tries its bytes are used unstamped, so that the next use reads
// them again).
FileRead ReadProfileFile(const std::string& path) {
    FileRead r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        r.before = Now();
        struct stat first, last;
        const bool known = ::stat(path.c_str(), &first) == 0;
        r.status = kv::ReadRegularFile(path, r.bytes, kMaxProfileBytes);
        if (r.status != kv::FileReadStatus::Ok) return r;
        if (known && ::stat(path.c_str(), &last) == 0 && Stamp(first) == Stamp(last) &&
            r.bytes.size() == std::size_t(first.st_size)) {
            r.stamped = true;
            r.stamp = Stamp(first);
            return r;
        }
    }
    return r;
}

// Whether the file still holds known under stamp, read piece by piece beside
// the known bytes (no copy of the whole file is made). before: the clock before
// the file was opened.
bool HoldsStill(const std::string& path, const Stamp& stamp, std::string_view known, timespec& before) {
    before = Now();
    Descriptor fd(kv::OpenRegularFileDescriptor(path));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !(Stamp(st) == stamp) ||
        std::size_t(st.st_size) != known.size())
        return false;
    static std::vector<char> piece(1u << 18);  // the lock is held
    std::size_t have = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        if (have + std::size_t(n) > known.size() ||
            std::memcmp(piece.data(), known.data() + have, std::size_t(n)) != 0)
            return false;
        have += std::size_t(n);
    }
    return have == known.size() && ::fstat(fd.get(), &st) == 0 && Stamp(st) == stamp;
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
// half. A symbolic link is followed, so the link itself survives. stamp: the new
// file's stamp, when it could be told (stamped).
bool ReplaceFile(const std::string& path, std::string_view data, Stamp& stamp, bool& stamped) {
    stamped = false;
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
    struct stat written;
    const bool known = ::fstat(fd, &written) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The name now holds our file unless someone replaced it at once; the rename
    // itself may have changed its times.
    struct stat now;
    if (known && ::stat(target.c_str(), &now) == 0 && now.st_dev == written.st_dev && now.st_ino == written.st_ino &&
        std::size_t(now.st_size) == data.size()) {
        stamp = Stamp(now);
        stamped = true;
    }
    return true;
}

// ---------------------------------------------------------------- the kept files

// The files read or written lately, by path, each with its parsed document and
// the stamp of the content the document holds. A call outside a batch looks at
// the file's stamp (one stat) and parses it again only when it changed.
struct Entry {
    // What a reading of the file gives; null when it is to be parsed from
    // `written` at its first use.
    std::unique_ptr<Document> doc;
    bool wrote = false;    // the content is `written`, not the document's source
    std::string written;   // the bytes last written
    bool stamped = false;  // the content is the file's under stamp (no change pending)
    Stamp stamp;
    bool settled = false;  // the stamp alone proves it (see Settled)
    std::uint64_t used = 0;
    int pins = 0;          // open batches holding the document

    Document& Doc() {
        if (!doc) {
            doc = std::make_unique<Document>(std::move(written));
            written = std::string();
            wrote = false;
        }
        return *doc;
    }
    // The file's content as last read or written; kept only until the stamp is
    // settled, which is when it is needed.
    const std::string& Content() const { return wrote ? written : doc->Source(); }
};

constexpr std::size_t kKeptFiles = 8;

std::mutex& Lock() {
    static std::mutex m;
    return m;
}

std::map<std::string, Entry>& Kept() {
    static std::map<std::string, Entry> kept;
    return kept;
}

void Adopt(Entry& e, FileRead&& f) {
    e.wrote = false;
    e.written = std::string();
    e.settled = false;
    e.stamped = false;
    switch (f.status) {
    case kv::FileReadStatus::Ok:
        e.doc = std::make_unique<Document>(std::move(f.bytes));
        e.stamped = f.stamped;
        e.stamp = f.stamp;
        e.settled = f.stamped && Settled(f.stamp, f.before);
        break;
    case kv::FileReadStatus::Missing: e.doc = std::make_unique<Document>(Document::State::Missing); break;
    case kv::FileReadStatus::Refused: e.doc = std::make_unique<Document>(Document::State::Failed); break;
    }
}

// The kept entry of path, its document brought up to the file's present content.
// An entry held by a batch is left as it is. The lock is held.
Entry& Current(const std::string& path) {
    static std::uint64_t uses = 0;
    Entry& e = Kept()[path];
    e.used = ++uses;
    if (e.pins > 0) return e;

    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        Adopt(e, Unread(missing ? kv::FileReadStatus::Missing : kv::FileReadStatus::Refused));
    } else if (!S_ISREG(st.st_mode)) {
        Adopt(e, Unread(kv::FileReadStatus::Refused));  // a pipe or a device is not opened
    } else if (e.stamped && Stamp(st) == e.stamp) {
        if (!e.settled) {
            timespec before;
            if (HoldsStill(path, e.stamp, e.Content(), before)) {
                e.settled = Settled(e.stamp, before);
                // The bytes written are needed no more once the document holds them.
                if (e.settled && e.doc && e.wrote) {
                    e.wrote = false;
                    e.written = std::string();
                }
            } else {
                Adopt(e, ReadProfileFile(path));
            }
        }
    } else {
        Adopt(e, ReadProfileFile(path));
    }

    if (Kept().size() > kKeptFiles) {
        auto oldest = Kept().end();
        for (auto it = Kept().begin(); it != Kept().end(); ++it)
            if (it->second.pins == 0 && &it->second != &e &&
                (oldest == Kept().end() || it->second.used < oldest->second.used))
                oldest = it;
        if (oldest != Kept().end()) Kept().erase(oldest);
    }
    return e;
}

// Writes the entry's document when it changed.
bool Store(const std::string& path, Entry& e) {
    if (!e.doc || !e.doc->Changed()) return true;
    bool lineEndAdded = false;
    std::string text = e.doc->Text(&lineEndAdded);
    Stamp stamp;
    bool stamped = false;
    if (!ReplaceFile(path, text, stamp, stamped)) {
        e.stamped = false;  // the document is not the file: the next use reads the file
        return false;
    }
    e.doc->MarkWritten();
    // The document stays when it is what a reading of the text would give, and
    // while the lines it no longer uses take little room; otherwise the text is
    // parsed at the next use.
    if (!e.doc->IsReadingOf(text, lineEndAdded) ||
        e.doc->OwnedBytes() > std::max<std::size_t>(e.doc->Source().size(), 1u << 16))
        e.doc.reset();
    e.wrote = true;
    e.written = std::move(text);
    e.stamped = stamped;
    e.stamp = stamp;
    e.settled = false;
    return true;
}

// The batches now open, by path.
struct OpenBatch {
    int users = 0;
    bool bound = false;  // the kept document is held for the batch (from its first call on)
};

std::map<std::string, OpenBatch>& Batches() {
    static std::map<std::string, OpenBatch> batches;
    return batches;
}

// The document of the batch open on path, looked at its first use; null when no
// batch is open on it. The lock is held.
Document* BatchDocument(const std::string& path) {
    auto it = Batches().find(path);
    if (it == Batches().end()) return nullptr;
    OpenBatch& b = it->second;
    if (!b.bound) {
        ++Current(path).pins;
        b.bound = true;
    }
    return &Kept()[path].Doc();
}

// Runs f on the document of path: the batch's when one is open on the path,
// otherwise the kept one, brought up to the file's content.
template <class F>
auto WithDocument(const char* path, F f) -> decltype(f(std::declval<Document&>())) {
    std::lock_guard<std::mutex> guard(Lock());
    if (!path || !*path) {
        Document none(Document::State::Failed);
        return f(none);
    }
    if (Document* batch = BatchDocument(path)) return f(*batch);
    return f(Current(path).Doc());
}

// Applies a change; outside a batch it is written at once. Returns whether the
// change was accepted (and, outside a batch, written).
BOOL Change(const char* path, const std::function<void(Document&)>& change) {
    std::lock_guard<std::mutex> guard(Lock());
    if (Document* batch = BatchDocument(path)) {
        if (!batch->Readable()) return 0;  // never overwrite what could not be read
        change(*batch);
        return 1;
    }
    Entry& e = Current(path);
    Document& doc = e.Doc();
    if (!doc.Readable()) return 0;
    change(doc);
    return Store(path, e) ? 1 : 0;
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
        out.assign(Unquote(KeyValue(*line)));
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

std::uint64_t ProfileParseCount() { return parses.load(std::memory_order_relaxed); }

ProfileBatch::ProfileBatch(std::string path) : path_(std::move(path)) {
    std::lock_guard<std::mutex> guard(Lock());
    ++Batches()[path_].users;
}

ProfileBatch::~ProfileBatch() {
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Batches().find(path_);
    if (it == Batches().end()) return;
    if (--it->second.users > 0) return;
    if (it->second.bound) {
        Entry& e = Kept()[path_];
        --e.pins;
        // There is no one to tell of a failed write at the end of a batch.
        if (e.doc && e.doc->Readable()) (void)Store(path_, e);
    }
    Batches().erase(it);
}

bool ProfileBatch::Flush() {
    std::lock_guard<std::mutex> guard(Lock());
    auto it = Batches().find(path_);
    if (it == Batches().end() || !it->second.bound) return true;
    Entry& e = Kept()[path_];
    return !e.doc || !e.doc->Readable() || Store(path_, e);
}

}  // namespace kv
