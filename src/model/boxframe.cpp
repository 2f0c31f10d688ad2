#include "model/boxframe.h"

#include "model/wordio.h"

#include <memory>
#include <vector>

KV_REGISTER_STREAMABLE(BoxFrame);

namespace {

// Reads a counted list of records into an owning list that has been emptied first.
// Reading stops at the first failure of the stream, so a damaged record never
// leaves half-read or default elements behind it; elements beyond a fixed capacity
// are read (the stream stays in step) and destroyed.
template <class T>
void ReadOwnedList(ipstream& is, TIArrayAsVector<T>& list, const char* name) {
    const int n = ReadIntWord(is);
    list.Flush();
    if (n <= 0 || !is.expectItems(std::uint64_t(n), MinRecordBytes(is, name, 0))) return;
    for (int i = 0; i < n; ++i) {
        if (!is.expectMemory(1, sizeof(T))) return;
        auto obj = std::make_unique<T>();
        is >> *obj;
        if (!is.good()) return;
        list.Add(obj);  // a full list leaves obj with us, and it is destroyed here
    }
}

template <class T>
void WriteOwnedList(opstream& os, const TIArrayAsVector<T>& list) {
    os.writeWord(list.GetItemsInContainer());
    for (const T* obj : list) os << *obj;
}

template <class T>
void CopyOwnedList(TIArrayAsVector<T>& dst, const TIArrayAsVector<T>& src) {
    dst.Flush();
    for (const T* obj : src) {
        auto copy = std::make_unique<T>(*obj);
        dst.Add(copy);
    }
}

}  // namespace

BoxFrame::BoxFrame() = default;

BoxFrame::BoxFrame(const BoxFrame& src) : BoxFrame() { *this = src; }

BoxFrame::~BoxFrame() = default;

BoxFrame& BoxFrame::operator=(const BoxFrame& src) {
    if (this == &src) return *this;
    Frame = src.Frame;
    LeftAxis = src.LeftAxis;
    RightAxis = src.RightAxis;
    TopAxis = src.TopAxis;
    BottomAxis = src.BottomAxis;
    IsOnlyParameter = src.IsOnlyParameter;
    PaintOrder = src.PaintOrder;
    CopyOwnedList(PlotList, src.PlotList);
    CopyOwnedList(ZukeiList, src.ZukeiList);
    CopyOwnedList(TextList, src.TextList);
    PlotOrderMap = src.PlotOrderMap;
    UserConsts = src.UserConsts;
    UserFunctions = src.UserFunctions;
    return *this;
}

void BoxFrame::SetParameterOnly(int flag) {
    IsOnlyParameter = flag;
    for (TPlot* p : PlotList) p->IsOnlyParameter = flag;
}

int BoxFrame::HasMemoryData() const {
    for (const TPlot* p : PlotList)
        if (p->IsFileData != 1) return 1;
    return 0;
}

void SetOnlyParameterAll(const TIArrayAsVector<BoxFrame>& sets) {
    for (BoxFrame* set : sets) set->SetParameterOnly(set->IsOnlyParameter);
}

// ---------------------------------------------------------------- record

void BoxFrame::Streamer::Write(opstream& os) const {
    const BoxFrame* b = GetObject();
    os.writeWord(b->IsOnlyParameter);
    os.writeWord(b->PaintOrder);
    os << b->Frame;
    os << b->LeftAxis << b->RightAxis << b->TopAxis << b->BottomAxis;
    WriteOwnedList(os, b->PlotList);
    WriteOwnedList(os, b->ZukeiList);
    WriteOwnedList(os, b->TextList);
    os.writeWord(b->UserConsts.GetItemsInContainer());
    for (int i = 0; i < b->UserConsts.GetItemsInContainer(); ++i) os << b->UserConsts[i];
    os.writeWord(b->UserFunctions.GetItemsInContainer());
    for (int i = 0; i < b->UserFunctions.GetItemsInContainer(); ++i)
        os.writeString(b->UserFunctions[i]);
}

void BoxFrame::Streamer::Read(ipstream& is, std::uint32_t version) const {
    BoxFrame* b = GetObject();
    if (version >= 3) b->IsOnlyParameter = ReadIntWord(is);
    if (version >= 4) b->PaintOrder = ReadIntWord(is);
    is >> b->Frame;
    is >> b->LeftAxis >> b->RightAxis >> b->TopAxis >> b->BottomAxis;
    ReadOwnedList(is, b->PlotList, "TPlot");
    ReadOwnedList(is, b->ZukeiList, "TZukei");
    ReadOwnedList(is, b->TextList, "TText");
    if (version < 2) return;

    int n = ReadIntWord(is);
    b->UserConsts.Flush();
    if (n > 0 && is.expectItems(std::uint64_t(n), MinRecordBytes(is, "TUserConstElement", 0),
                                  sizeof(TUserConstElement))) {
        for (int i = 0; i < n; ++i) {
            TUserConstElement scratch;
            is >> scratch;
            if (!is.good()) break;
            b->UserConsts.Add(scratch);
        }
    }

    n = ReadIntWord(is);
    b->UserFunctions.Flush();
    const std::size_t lengthBytes = is.getVersion() < 0x101 ? 1 : 4;
    if (n > 0 && is.expectItems(std::uint64_t(n), lengthBytes, sizeof(std::string))) {
        for (int i = 0; i < n; ++i) {
            std::string text;
            is.readString(text);
            if (!is.good()) break;
            b->UserFunctions.Add(text);
        }
    }
}

// ---------------------------------------------------------------- registration


void RegisterAxisStreamables() {
    TStreamableClass::EnsureRegistered("TUserConstElement", &TUserConstElement::BuildStreamer);
    TStreamableClass::EnsureRegistered("AxisUnit", &AxisUnit::BuildStreamer);
    TStreamableClass::EnsureRegistered("Frame", &Frame::BuildStreamer);
    TStreamableClass::EnsureRegistered("BoxFrame", &BoxFrame::BuildStreamer);
}

void UnregisterAxisStreamables() { TStreamableClass::ReleaseEnsured(); }
