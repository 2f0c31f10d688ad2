#include "objstrm.h"

#include "largealloc.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <memory>

static_assert(std::endian::native == std::endian::little,
              "the stream writes values in memory order, which must be little-endian");

namespace {

// The name table lives in a function so that registrations made during static
// start-up of any translation unit find it constructed.
std::map<std::string, TStreamerBuilder, std::less<>>& Registry() {
    static std::map<std::string, TStreamerBuilder, std::less<>> registry;
    return registry;
}

constexpr std::size_t kFlushThreshold = 1 << 16;
constexpr std::size_t kMaxClassName = 127;

[[noreturn]] void ThrowUnregistered(std::string_view name) {
    throw xmsg("Attempt to stream unregistered type '" + std::string(name) + "'");
}

}  // namespace

TStreamableClass::TStreamableClass(const char* name, TStreamerBuilder build) : name_(name) {
    Registry()[name_] = build;
}

TStreamableClass::~TStreamableClass() { Registry().erase(name_); }

TStreamerBuilder TStreamableClass::Find(std::string_view name) {
    auto& reg = Registry();
    auto it = reg.find(name);
    return it == reg.end() ? nullptr : it->second;
}

namespace {
std::vector<std::unique_ptr<TStreamableClass>>& EnsuredEntries() {
    static std::vector<std::unique_ptr<TStreamableClass>> held = [] {
        Registry();  // constructed first, so it outlives these entries at exit
        return std::vector<std::unique_ptr<TStreamableClass>>();
    }();
    return held;
}
}  // namespace

void TStreamableClass::EnsureRegistered(const char* name, TStreamerBuilder build) {
    if (!Find(name)) EnsuredEntries().push_back(std::make_unique<TStreamableClass>(name, build));
}

void TStreamableClass::ReleaseEnsured() {
    auto& held = EnsuredEntries();
    while (!held.empty()) held.pop_back();  // latest first
}

// ---------------------------------------------------------------- opstream

opstream::opstream() { writeVersion(); }

opstream::opstream(std::FILE* file) : file_(file) {
    if (!file_) setstate(failbit);
    writeVersion();
}

opstream::~opstream() { flush(); }

void opstream::writeVersion() {
    writeByte(0x3A);
    writeWord32(kStreamVersion);
}

void opstream::writeByte(std::uint8_t b) {
    if (!good()) return;
    buf_.push_back(char(b));
}

void opstream::writeBytes(const void* data, std::size_t n) {
    if (!good() || n == 0) return;
    buf_.append(static_cast<const char*>(data), n);
    if (file_ && buf_.size() >= kFlushThreshold) flush();
}

void opstream::writeWord32(std::uint32_t w) { writeBytes(&w, 4); }

void opstream::writeRect(const TRect& r) {
    writeRaw32(r.left);
    writeRaw32(r.top);
    writeRaw32(r.right);
    writeRaw32(r.bottom);
}

void opstream::writePoint(const TPoint& p) {
    writeRaw32(p.x);
    writeRaw32(p.y);
}

void opstream::writeString(const std::string& s) {
    std::size_t len = std::strlen(s.c_str());  // up to the first zero character
    writeWord32(std::uint32_t(len));
    writeBytes(s.data(), len);
}

void opstream::writeString(const char* s) {
    if (!s) {
        writeWord32(0xFFFFFFFFu);
        return;
    }
    std::size_t len = std::strlen(s);
    writeWord32(std::uint32_t(len));
    writeBytes(s, len);
}

void opstream::writeObject(const TStreamableBase& obj) {
    if (!good()) return;
    const char* name = obj.StreamableName();
    TStreamerBuilder build = TStreamableClass::Find(name);
    if (!build) ThrowUnregistered(name);
    std::unique_ptr<TStreamer> streamer(build(const_cast<TStreamableBase*>(&obj)));
    writeByte(0x5B);
    writeString(name);
    writeWord32(streamer->ClassVersion());
    streamer->Write(*this);
    writeByte(0x5D);
}

bool opstream::flush() {
    if (!file_ || buf_.empty()) return !fail();
    if (!fail()) {
        if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) setstate(failbit);
    }
    buf_.clear();
    return !fail();
}

// ---------------------------------------------------------------- ipstream

namespace {

// A file stream's window: big enough that the file is read in few calls, small
// enough to cost nothing beside the document.
constexpr std::size_t kReadBlock = std::size_t(1) << 16;

}  // namespace

ipstream::ipstream(std::string data) : data_(std::move(data)), base_(data_.data()), end_(data_.size()) {}

ipstream::ipstream(std::FILE* file) : file_(file) {
    struct stat st;
    const off_t at = file ? ::ftello(file) : -1;
    if (!file || at < 0 || ::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        file_ = nullptr;
        setstate(failbit);
        return;
    }
    fileLeft_ = st.st_size > at ? std::size_t(st.st_size - at) : 0;
    block_.reset(new char[kReadBlock]);
    base_ = block_.get();
}

ipstream::~ipstream() = default;

ipstream::ipstream(ipstream&& o) noexcept
    : pstream(o), data_(std::move(o.data_)), file_(o.file_), block_(std::move(o.block_)),
      pos_(o.pos_), end_(o.end_), fileLeft_(o.fileLeft_), memoryLeft_(o.memoryLeft_),
      memoryKnown_(o.memoryKnown_), version_(o.version_) {
    base_ = file_ ? block_.get() : data_.data();
    o.file_ = nullptr;
    o.base_ = nullptr;
    o.pos_ = o.end_ = o.fileLeft_ = 0;
    o.setstate(failbit);
}

bool ipstream::fill(std::size_t n) {
    // The bytes not yet read move to the front; the file fills the rest.
    const std::size_t have = end_ - pos_;
    if (have && pos_) std::memmove(block_.get(), base_ + pos_, have);
    pos_ = 0;
    end_ = have;
    const std::size_t want = std::min(kReadBlock - have, fileLeft_);
    const std::size_t got = want ? std::fread(block_.get() + have, 1, want, file_) : 0;
    end_ += got;
    fileLeft_ -= got;
    // The file shrank or could not be read: what is missing is gone.
    if (got < want) fileLeft_ = 0;
    return end_ >= n;
}

bool ipstream::take(std::size_t n) {
    if (!good()) return false;
    if (end_ - pos_ >= n) return true;
    if (remaining() < n || !file_ || !fill(n)) {
        setstate(failbit);
        return false;
    }
    return true;
}

void ipstream::skip(std::size_t n) {
    const std::size_t here = std::min(n, end_ - pos_);
    pos_ += here;
    n -= here;
    if (n == 0) return;
    // Only a file stream gets here: the window is used up.
    if (::fseeko(file_, off_t(n), SEEK_CUR) != 0) {
        fileLeft_ = 0;
        setstate(failbit);
        return;
    }
    fileLeft_ -= n;
}

void ipstream::readVersion() {
    if (!good()) {
        version_ = 0;
        return;
    }
    if (remaining() == 0) {
        setstate(eofbit);
        version_ = 0;
        return;
    }
    if (!take(1)) {
        version_ = 0;
        return;
    }
    if (std::uint8_t(base_[pos_]) == 0x3A) {
        ++pos_;
        version_ = readWord32();  // a header cut short gives 0 and a failed stream
    } else {
        version_ = 0;
    }
}

std::uint8_t ipstream::readByte() {
    if (!take(1)) return 0;
    return std::uint8_t(base_[pos_++]);
}

void ipstream::readBytes(void* data, std::size_t n) {
    if (!good()) return;
    if (end_ - pos_ >= n) {
        if (n) std::memcpy(data, base_ + pos_, n);
        pos_ += n;
        return;
    }
    if (remaining() < n || !file_) {
        setstate(failbit);
        return;
    }
    // What the window holds, then the rest straight from the file.
    char* out = static_cast<char*>(data);
    const std::size_t have = end_ - pos_;
    std::memcpy(out, base_ + pos_, have);
    pos_ = end_;
    std::size_t rest = n - have;
    if (rest >= kReadBlock) {
        const std::size_t got = std::fread(out + have, 1, rest, file_);
        fileLeft_ -= got;
        if (got < rest) {
            fileLeft_ = 0;
            setstate(failbit);
        }
        return;
    }
    if (!fill(rest)) {
        setstate(failbit);
        return;
    }
    std::memcpy(out + have, base_, rest);
    pos_ = rest;
}

std::uint32_t ipstream::readWord() {
    if (version_ == 0) {
        std::uint16_t w = 0;
        readBytes(&w, 2);
        return w;
    }
    return readWord32();
}

std::uint32_t ipstream::readWord32() {
    std::uint32_t w = 0;
    readBytes(&w, 4);
    return w;
}

void ipstream::readRaw32(std::int32_t& v) { readBytes(&v, 4); }
void ipstream::readRaw32(std::uint32_t& v) { readBytes(&v, 4); }

void ipstream::readRect(TRect& r) {
    // All four or nothing, so a failure never leaves half a rectangle.
    std::int32_t v[4];
    if (!take(16)) return;
    readBytes(v, 16);
    r = TRect(v[0], v[1], v[2], v[3]);
}

void ipstream::readPoint(TPoint& p) {
    std::int32_t v[2];
    if (!take(8)) return;
    readBytes(v, 8);
    p = TPoint(v[0], v[1]);
}

bool ipstream::readLength(std::uint32_t& len) {
    if (version_ < 0x101) {
        std::uint8_t b = readByte();
        if (!good() || b == 0xFF) return false;
        len = b;
        return true;
    }
    std::uint32_t w = readWord32();
    if (!good() || w == 0xFFFFFFFFu) return false;
    len = w;
    return true;
}

void ipstream::readString(std::string& s) {
    if (!good()) return;
    std::uint32_t len = 0;
    if (!readLength(len)) {
        if (good()) s.clear();  // the null text
        return;
    }
    if (remaining() < len) {
        setstate(failbit);
        return;
    }
    // Piece by piece: only the characters before a zero are kept, so a long run
    // of zeros costs no memory.
    std::string text;
    bool ended = false;
    std::size_t left = len;
    while (left > 0) {
        if (end_ == pos_ && !take(std::min(left, kReadBlock))) return;
        const std::size_t piece = std::min(left, end_ - pos_);
        if (!ended) {
            const char* p = base_ + pos_;
            const std::size_t keep = ::strnlen(p, piece);
            ended = keep < piece;
            if (!expectMemory(keep, 1)) return;
            text.append(p, keep);
        }
        pos_ += piece;
        left -= piece;
    }
    s = std::move(text);
}

void ipstream::readString(char* buf, std::size_t size) {
    if (!good() || size == 0) return;
    std::uint32_t len = 0;
    if (!readLength(len)) return;
    if (remaining() < len) {
        setstate(failbit);
        return;
    }
    if (len > size - 1) {
        skip(len);  // too long for the array: skipped whole, the array keeps its value
        return;
    }
    readBytes(buf, len);
    if (good()) buf[len] = '\0';
}

void ipstream::readObject(TStreamableBase& obj) {
    if (!good()) return;
    if (readByte() != 0x5B) {
        setstate(failbit);
        return;
    }
    std::uint32_t len = 0;
    if (!readLength(len)) {
        setstate(failbit);  // a null name
        return;
    }
    if (len == 0 || len > kMaxClassName || !take(len)) {
        setstate(failbit);
        return;
    }
    std::string name(base_ + pos_, len);
    pos_ += len;
    TStreamerBuilder build = TStreamableClass::Find(name);
    if (!build) ThrowUnregistered(name);
    // A registered record of another class cannot be read into this object.
    if (name != obj.StreamableName()) {
        setstate(failbit);
        return;
    }
    std::uint32_t classVersion = version_ != 0 ? readWord32() : 0;
    if (!good()) return;
    std::unique_ptr<TStreamer> streamer(build(&obj));
    streamer->Read(*this, classVersion);
    if (readByte() != 0x5D) setstate(failbit);
}

bool ipstream::expectItems(std::uint64_t count, std::size_t minBytes) {
    if (!good()) return false;
    if (minBytes == 0) minBytes = 1;
    if (count > remaining() / minBytes) {
        setstate(failbit);
        return false;
    }
    return true;
}

std::uint64_t ipstream::memoryLeft() {
    if (!memoryKnown_) {
        memoryLeft_ = kv::AvailableMemory();
        memoryKnown_ = true;
    }
    return memoryLeft_;
}

bool ipstream::expectMemory(std::uint64_t count, std::size_t bytesEach) {
    if (!good()) return false;
    if (bytesEach == 0) bytesEach = 1;
    if (count > memoryLeft() / bytesEach) {
        setstate(failbit | toolargebit);
        return false;
    }
    memoryLeft_ -= count * bytesEach;
    return true;
}
