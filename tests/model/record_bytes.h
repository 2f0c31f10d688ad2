#pragma once
// Builds expected record bytes field by field for the model's record tests, on top
// of the stream's own value encodings (which the platform tests pin down).

#include "platform/objstrm.h"

#include <cstdint>
#include <string>

class RecordBytes {
public:
    // A version 0x101 stream: the header is written at once.
    RecordBytes() = default;

    RecordBytes& Begin(const char* name, std::uint32_t version) {
        os_.writeByte(0x5B);
        os_.writeString(name);
        os_.writeWord32(version);
        return *this;
    }
    RecordBytes& End() { os_.writeByte(0x5D); return *this; }
    RecordBytes& Word(std::int32_t w) { os_.writeWord(w); return *this; }
    RecordBytes& Words(std::int32_t w, int count) {
        for (int i = 0; i < count; ++i) os_.writeWord(w);
        return *this;
    }
    RecordBytes& Double(double d) { os_.writeDouble(d); return *this; }
    RecordBytes& Byte(std::uint8_t b) { os_.writeByte(b); return *this; }
    RecordBytes& String(const std::string& s) { os_.writeString(s); return *this; }
    // One value stored inline: the double, then its flag byte.
    RecordBytes& Element(double v, std::uint8_t flag = 0) { return Double(v).Byte(flag); }
    RecordBytes& Raw(const std::string& bytes) {
        os_.writeBytes(bytes.data(), bytes.size());
        return *this;
    }
    // Appends an object record written by the class's own writer.
    RecordBytes& Object(const TStreamableBase& obj) { os_ << obj; return *this; }

    const std::string& Bytes() const { return os_.buffer(); }

private:
    opstream os_;
};
