#pragma once
// Small helpers for record tests: literal bytes, the stream header, one record's
// bytes, and reading a record back from bytes.

#include "platform/objstrm.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

namespace kvtest {

inline std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(char(v));
    return s;
}

inline std::string Le32(std::uint32_t v) {
    return Bytes({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)});
}

inline std::string Dbl(double d) {
    char b[8];
    std::memcpy(b, &d, 8);
    return std::string(b, 8);
}

// A counted name in a version 0x101 stream.
inline std::string Name(const std::string& n) { return Le32(std::uint32_t(n.size())) + n; }

inline const std::string kHeader = Bytes({0x3A, 0x01, 0x01, 0x00, 0x00});

// The bytes of one record as a version 0x101 stream writes it (header excluded).
template <class T>
std::string RecordOf(const T& obj) {
    opstream os;
    os << obj;
    return os.buffer().substr(kHeader.size());
}

// The record's opening part: mark, name and class version.
inline std::string Head(const std::string& name, std::uint32_t version) {
    return "[" + Name(name) + Le32(version);
}

// Reads one record from a version 0x101 stream holding `record`; the stream is
// returned for state checks.
template <class T>
ipstream ReadInto(const std::string& record, T& obj) {
    ipstream is(kHeader + record);
    is.readVersion();
    is >> obj;
    return is;
}

}  // namespace kvtest
