#include "model/records.h"
#include "model/wordio.h"

KV_REGISTER_STREAMABLE(TEnv);
KV_REGISTER_STREAMABLE(TUserConstElement);
KV_REGISTER_STREAMABLE(DoublePoint);

std::size_t MinRecordBytes(const ipstream& is, std::string_view name, std::size_t minData) {
    const std::uint32_t v = is.getVersion();
    const std::size_t lengthBytes = v < 0x101 ? 1 : 4;
    const std::size_t versionBytes = v != 0 ? 4 : 0;
    return 1 + lengthBytes + name.size() + versionBytes + minData + 1;
}

// ---------------------------------------------------------------- TEnv

TEnv::~TEnv() = default;

void TEnv::Streamer::Write(opstream& os) const {
    const TEnv* e = GetObject();
    os.writeWord(e->Zoom);
    os.writeRaw32(e->ViewCenterX);
    os.writeRaw32(e->ViewCenterY);
    os.writeRaw32(e->PrintableWidth);
    os.writeRaw32(e->PrintableHeight);
    os.writeRaw32(e->PaperWidth);
    os.writeRaw32(e->PaperHeight);
    os.writeRaw32(e->PrintOffsetX);
    os.writeRaw32(e->PrintOffsetY);
    os.writeWord(e->IsGrid);
    os.writeWord(e->GridPitch);
    os.writeRaw32(std::int32_t(e->PaperColor));
}

void TEnv::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TEnv* e = GetObject();
    e->Zoom = ReadIntWord(is);
    is.readRaw32(e->ViewCenterX);
    is.readRaw32(e->ViewCenterY);
    is.readRaw32(e->PrintableWidth);
    is.readRaw32(e->PrintableHeight);
    is.readRaw32(e->PaperWidth);
    is.readRaw32(e->PaperHeight);
    is.readRaw32(e->PrintOffsetX);
    is.readRaw32(e->PrintOffsetY);
    e->IsGrid = ReadIntWord(is);
    e->GridPitch = ReadIntWord(is);
    is.readRaw32(e->PaperColor);
    if (version == 2) is.readWord();  // a setting that only version 2 carried
}

// ---------------------------------------------------------------- TUserConstElement

TUserConstElement::~TUserConstElement() = default;

std::size_t TUserConstElement::MinStoredBytes(const ipstream& is) {
    return MinRecordBytes(is, "TUserConstElement", (is.getVersion() < 0x101 ? 1 : 4) + 8);
}

void TUserConstElement::Streamer::Write(opstream& os) const {
    os.writeString(GetObject()->ConstName);
    os.writeDouble(GetObject()->ConstValue);
}

void TUserConstElement::Streamer::Read(ipstream& is, std::uint32_t) const {
    is.readString(GetObject()->ConstName);
    is.readDouble(GetObject()->ConstValue);
}

// ---------------------------------------------------------------- DoublePoint

DoublePoint::~DoublePoint() = default;

std::size_t DoublePoint::MinStoredBytes(const ipstream& is) {
    return MinRecordBytes(is, "DoublePoint", 16);
}

void DoublePoint::Streamer::Write(opstream& os) const {
    os.writeDouble(GetObject()->X);
    os.writeDouble(GetObject()->Y);
}

void DoublePoint::Streamer::Read(ipstream& is, std::uint32_t) const {
    is.readDouble(GetObject()->X);
    is.readDouble(GetObject()->Y);
}

// ---------------------------------------------------------------- SelectedFlags

void SelectedFlags::Clear() {
    SelAxisTexts1.Flush();
    SelAxisTexts2.Flush();
    SelAxisTexts3.Flush();
    SelAxisTexts4.Flush();
    SelTexts.Flush();
    SelZukeis.Flush();
    State = 0;
}

int SelectedFlags::AnySelected() const {
    return (State == 1 || AnyTextSelected() || AnyZukeiSelected()) ? 1 : 0;
}
