#pragma once
// The persistent object stream: a byte-oriented, little-endian stream of object
// records. Every document object is written as "[" + class name + class version +
// its fields + "]"; a reader reads a record into an object its owner has already
// constructed with defaults, so fields an older version lacks keep those defaults.
//
// State is sticky: once the fail or end-of-file flag is set, writes do nothing,
// readWord/readWord32/readByte yield 0 and the other reads leave their target
// unchanged. Callers test the state after the whole operation.

#include "geometry.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The exception type that carries a message to the application's handler.
class xmsg : public std::exception {
public:
    explicit xmsg(std::string why) : why_(std::move(why)) {}
    const std::string& why() const { return why_; }
    const char* what() const noexcept override { return why_.c_str(); }

private:
    std::string why_;
};

class opstream;
class ipstream;

// Base of every persistent class; its record name is its class name.
class TStreamableBase {
public:
    virtual ~TStreamableBase() = default;
    virtual const char* StreamableName() const = 0;
};

// Binds one object to its class's reader and writer for one record.
class TStreamer {
public:
    virtual ~TStreamer() = default;
    // Reads the fields that the stored class version wrote.
    virtual void Read(ipstream& is, std::uint32_t version) const = 0;
    virtual void Write(opstream& os) const = 0;
    virtual std::uint32_t ClassVersion() const = 0;
};

// Convenience base for a class's nested Streamer: holds the bound object.
template <class T>
class TStreamerOf : public TStreamer {
public:
    explicit TStreamerOf(TStreamableBase* obj) : obj_(static_cast<T*>(obj)) {}
    T* GetObject() const { return obj_; }

private:
    T* obj_;
};

using TStreamerBuilder = TStreamer* (*)(TStreamableBase* obj);

// A registry entry: created at start-up, removed at exit.
class TStreamableClass {
public:
    TStreamableClass(const char* name, TStreamerBuilder build);
    ~TStreamableClass();
    TStreamableClass(const TStreamableClass&) = delete;
    TStreamableClass& operator=(const TStreamableClass&) = delete;

    // The builder registered under exactly this name, or null.
    static TStreamerBuilder Find(std::string_view name);

    // Registers name unless it already is; entries added here stay until
    // ReleaseEnsured() (or program exit). The explicit registration functions of
    // the document classes use this, so calling them twice or after the static
    // registrations ran changes nothing.
    static void EnsureRegistered(const char* name, TStreamerBuilder build);
    static void ReleaseEnsured();

private:
    std::string name_;
};

// Declares the record plumbing of a persistent class: its name and a builder that
// makes the nested Streamer. The class still declares the Streamer itself.
#define KV_STREAMABLE(cls)                                                        \
public:                                                                           \
    const char* StreamableName() const override { return #cls; }                 \
    static TStreamer* BuildStreamer(TStreamableBase* obj) { return new Streamer(obj); }

// Registers cls under its name; put it in the class's .cpp so it is linked with it.
#define KV_REGISTER_STREAMABLE(cls) \
    static TStreamableClass kvRegistration_##cls(#cls, &cls::BuildStreamer)

constexpr std::uint32_t kStreamVersion = 0x101;

class pstream {
public:
    // toolargebit comes with failbit: the input needs more memory than there is.
    enum : unsigned { goodbit = 0, eofbit = 1, failbit = 2, toolargebit = 4 };
    bool good() const { return state_ == goodbit; }
    bool fail() const { return (state_ & failbit) != 0; }
    bool eof() const { return (state_ & eofbit) != 0; }
    unsigned rdstate() const { return state_; }
    void setstate(unsigned bits) { state_ |= bits; }

protected:
    unsigned state_ = goodbit;
};

class opstream : public pstream {
public:
    // A stream into memory (see buffer()); writes the header at once.
    opstream();
    // A stream onto an open binary file; writes the header at once. The file is
    // not closed here; flush() or destruction pushes buffered bytes to it.
    explicit opstream(std::FILE* file);
    ~opstream();
    opstream(const opstream&) = delete;
    opstream& operator=(const opstream&) = delete;

    void writeVersion();
    void writeByte(std::uint8_t b);
    void writeBytes(const void* data, std::size_t n);
    void writeWord(std::int32_t w) { writeWord32(std::uint32_t(w)); }
    void writeWord32(std::uint32_t w);
    void writeRaw32(std::int32_t v) { writeWord32(std::uint32_t(v)); }
    void writeDouble(double d) { writeBytes(&d, 8); }
    void writeRect(const TRect& r);
    void writePoint(const TPoint& p);
    // Written up to the first zero character.
    void writeString(const std::string& s);
    // A null pointer writes the null text (length 0xFFFFFFFF).
    void writeString(const char* s);
    // One whole object record; an unregistered class throws xmsg.
    void writeObject(const TStreamableBase& obj);

    // Pushes buffered bytes to the file; false (and the fail flag) when the file
    // refused them.
    bool flush();
    // The bytes written so far (a memory stream keeps all of them).
    const std::string& buffer() const { return buf_; }

private:
    std::FILE* file_ = nullptr;
    std::string buf_;
};

class ipstream : public pstream {
public:
    // Reads from a copy of the given bytes.
    explicit ipstream(std::string data);
    // Reads a regular file from its present position to the end it had when the
    // stream was made, a block at a time as the reads ask for bytes: a file far
    // larger than memory costs no more than the records read from it. The file
    // stays the caller's and must stay open while the stream reads. Anything but
    // a regular file, and a read error, set the fail flag.
    explicit ipstream(std::FILE* file);
    ~ipstream();
    ipstream(ipstream&& o) noexcept;
    ipstream& operator=(ipstream&&) = delete;

    // Reads the header when there is one and sets the stream version (0 without).
    void readVersion();
    std::uint32_t getVersion() const { return version_; }
    void setVersion(std::uint32_t v) { version_ = v; }

    std::uint8_t readByte();
    // Copies n bytes into data, or leaves it unchanged and fails when fewer remain.
    void readBytes(void* data, std::size_t n);
    // 2 bytes (zero-extended) in a version-0 stream, else 4.
    std::uint32_t readWord();
    std::uint32_t readWord32();
    void readRaw32(std::int32_t& v);
    void readRaw32(std::uint32_t& v);
    void readDouble(double& d) { readBytes(&d, 8); }
    void readRect(TRect& r);
    void readPoint(TPoint& p);
    // A null text gives the empty string; the text ends at an embedded zero (the
    // characters after it are read past, never held).
    void readString(std::string& s);
    // At most size-1 characters and a zero. A null text or a longer one leaves
    // the array unchanged; a longer text is skipped whole so the stream stays in
    // step with the fields after it.
    void readString(char* buf, std::size_t size);
    // One object record into obj. A record of another class fails the stream; an
    // unregistered name throws xmsg.
    void readObject(TStreamableBase& obj);

    // Bytes not yet read.
    std::size_t remaining() const { return (end_ - pos_) + fileLeft_; }
    // True when count elements of at least minBytes each can still be read;
    // otherwise sets the fail flag. Readers check list counts with it before
    // looping, so a damaged count cannot make them allocate or loop for long.
    bool expectItems(std::uint64_t count, std::size_t minBytes);
    // Charges count objects of bytesEach bytes, which the reader is about to
    // make for what it reads, to the memory this stream's objects may take (what
    // the process could still take, swap included, when the stream first
    // charged). True when they fit; otherwise the stream fails as too large and
    // nothing should be allocated. Strings are charged by the stream itself.
    bool expectMemory(std::uint64_t count, std::size_t bytesEach);
    // Both at once, for a list read into objects of bytesEach bytes each: the
    // input holds count elements of at least minBytes, and they may be made.
    bool expectItems(std::uint64_t count, std::size_t minBytes, std::size_t bytesEach) {
        return expectItems(count, minBytes) && expectMemory(count, bytesEach);
    }
    bool tooLarge() const { return (state_ & toolargebit) != 0; }
    // The memory the stream's objects may still take.
    std::uint64_t memoryLeft();
    void setMemoryLimit(std::uint64_t bytes) {
        memoryLeft_ = bytes;
        memoryKnown_ = true;
    }

private:
    // n bytes (at most a block) in the window, filled from the file when needed;
    // false and the stream failed when the input holds fewer.
    bool take(std::size_t n);
    // Refills the window from the file so that it holds at least n bytes.
    bool fill(std::size_t n);
    // Steps over n bytes that the input is known to hold.
    void skip(std::size_t n);
    // Reads a string length; false for a null text.
    bool readLength(std::uint32_t& len);

    std::string data_;            // a memory stream's bytes
    std::FILE* file_ = nullptr;   // a file stream's file
    std::unique_ptr<char[]> block_;  // a file stream's window onto the file
    const char* base_ = nullptr;  // the bytes at hand: [pos_, end_)
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t fileLeft_ = 0;    // bytes of the file not yet in the window
    std::uint64_t memoryLeft_ = 0;
    bool memoryKnown_ = false;    // memoryLeft_ is looked up at the first charge
    std::uint32_t version_ = 0;
};

// Every persistent object is written and read as one record.
inline opstream& operator<<(opstream& os, const TStreamableBase& obj) {
    os.writeObject(obj);
    return os;
}
inline ipstream& operator>>(ipstream& is, TStreamableBase& obj) {
    is.readObject(obj);
    return is;
}

// The smallest object record: "[" + an empty-ish name length + "]", used to bound
// list counts (a record needs at least this many bytes).
constexpr std::size_t kMinRecordBytes = 1 + 1 + 1;
