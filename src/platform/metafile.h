#pragma once
// Windows metafiles: a device context that records the GDI calls of a drawing as
// Windows metafile (WMF) records instead of drawing them, into memory (the
// clipboard's form) or into a file (the export's form), and a reader that checks
// such bytes and gives the records back.
//
// The recording keeps the logical coordinates the drawing passes: the program
// that plays the metafile supplies the viewport, the metafile the window (mapping
// mode, window origin and extent, recorded like any other call). Attributes and
// objects (pen, brush, font, text and background colour, background mode, text
// alignment, raster operation) are written when a drawing call first needs them,
// each object created in the player's handle table, selected, and deleted once
// nothing (the current state or a saved one) refers to it any more.
//
// The format: little-endian 16-bit words. A metafile is an 18-byte header
// (type, header size 9, version 0x0300, total size in words, number of object
// slots, largest record in words, 0) and records, each a 32-bit size in words, a
// 16-bit function number and the parameters (for most records in the reverse
// order of the call's arguments), ended by the EOF record. A placeable metafile
// has a 22-byte header in front: key 0x9AC6CDD7, 0, the bounding box (left, top,
// right, bottom, signed), units per inch, 0 (32 bits) and the XOR of the ten
// words before the checksum.
//
// Coordinates and sizes are signed 16-bit values in the format; larger values are
// limited to -32768..32767. A polygon of more than 32767 points is thinned to
// that many (its first and last points kept); a polyline is split.

#include "dc.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kv::wmf {

// Record function numbers.
enum : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DELETEOBJECT = 0x01F0,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_ROUNDRECT = 0x061C,
    META_EXTTEXTOUT = 0x0A32,
};

constexpr std::uint16_t MEMORYMETAFILE = 1;
constexpr std::uint16_t DISKMETAFILE = 2;
constexpr std::uint16_t kMetafileVersion = 0x0300;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeaderBytes = 22;
constexpr int kHeaderBytes = 18;
constexpr std::uint16_t ALTERNATE = 1;  // polygon fill mode

// The box of a placeable header in its units (1440 per inch for twips).
struct PlaceableBox {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
    std::uint16_t unitsPerInch = 1440;
};

// The XOR of the ten 16-bit words that precede the checksum (bytes 0 to 19).
std::uint16_t PlaceableChecksum(const std::uint8_t* header);
// The 22 header bytes, checksum included.
std::array<std::uint8_t, kPlaceableHeaderBytes> MakePlaceableHeader(const PlaceableBox& box);
// The placeable form of a metafile: the header, then the metafile's bytes.
std::vector<std::uint8_t> MakePlaceable(const std::vector<std::uint8_t>& metafile,
                                        const PlaceableBox& box);

// One record as read back: its function and its parameter words.
struct Record {
    std::uint16_t function = 0;
    std::vector<std::uint16_t> params;
    std::size_t offset = 0;  // of the record's first byte in the data

    std::int16_t Int(std::size_t i) const { return i < params.size() ? std::int16_t(params[i]) : 0; }
    std::uint32_t Dword(std::size_t i) const {
        return i + 1 < params.size() ? std::uint32_t(params[i]) | (std::uint32_t(params[i + 1]) << 16)
                                     : 0;
    }
    // The parameters' bytes from word i on, at most n bytes.
    std::string Bytes(std::size_t i, std::size_t n) const;
};

struct Metafile {
    bool placeable = false;
    PlaceableBox box;                // when placeable
    std::uint16_t checksum = 0;      // as stored
    std::uint16_t type = 0;
    std::uint16_t headerWords = 0;
    std::uint16_t version = 0;
    std::uint32_t sizeWords = 0;     // as stored: header and records
    std::uint16_t objects = 0;
    std::uint32_t maxRecordWords = 0;
    std::vector<Record> records;     // up to and including the EOF record
};

// Reads a metafile, placeable or not. False, with a reason in *error when given,
// for anything that does not hold together: a short or damaged header, a wrong
// placeable checksum, a record that is shorter than its own header or runs past
// the data, a missing EOF record, header counts that disagree with the records.
bool ParseMetafile(const void* data, std::size_t size, Metafile* out, std::string* error = nullptr);

class Recorder;

}  // namespace kv::wmf

// A device context whose drawing becomes a Windows metafile. GetDeviceCaps
// answers TECHNOLOGY with DT_METAFILE and 1440 dots per inch.
class TMetaFileDC : public TDC {
public:
    // Records into memory.
    TMetaFileDC();
    // Records into a file created (or emptied) at path; IsOpen() tells whether it
    // could be.
    explicit TMetaFileDC(const std::string& path);
    ~TMetaFileDC();

    bool IsOpen() const;
    // Ends the recording: the EOF record, then the header's sizes and counts. A
    // file is closed. False when some write failed (or the file never opened).
    // Later calls change nothing and give the same answer.
    bool Close();
    // The metafile's bytes, once closed (memory recordings only).
    const std::vector<std::uint8_t>& Bytes() const;

private:
    kv::wmf::Recorder* recorder_ = nullptr;
};
