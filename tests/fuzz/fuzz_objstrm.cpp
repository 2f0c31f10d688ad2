// Feeds arbitrary bytes to the object-stream reader through a few record classes
// that use every value kind, nested records and a counted list.
#include "platform/objstrm.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

class FuzzLeaf : public TStreamableBase {
public:
    std::string Name;
    char Short[16] = {};
    double Value = 0;
    TRect Rect;
    TPoint Point;

    class Streamer : public TStreamerOf<FuzzLeaf> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override {
            FuzzLeaf* o = GetObject();
            is.readString(o->Name);
            if (version >= 1) is.readString(o->Short, sizeof o->Short);
            is.readDouble(o->Value);
            is.readRect(o->Rect);
            is.readPoint(o->Point);
            (void)is.readWord();
            (void)is.readByte();
        }
        void Write(opstream&) const override {}
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(FuzzLeaf)
};
KV_REGISTER_STREAMABLE(FuzzLeaf);

class FuzzList : public TStreamableBase {
public:
    std::vector<std::unique_ptr<FuzzLeaf>> Items;
    std::unique_ptr<FuzzList> Child;
    int Depth = 0;

    class Streamer : public TStreamerOf<FuzzList> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t) const override {
            FuzzList* o = GetObject();
            std::uint32_t n = is.readWord32();
            o->Items.clear();
            if (!is.expectItems(n, kMinRecordBytes)) return;
            for (std::uint32_t i = 0; i < n && is.good(); ++i) {
                auto e = std::make_unique<FuzzLeaf>();
                is >> *e;
                o->Items.push_back(std::move(e));
            }
            if (is.readByte() && o->Depth < 8) {
                o->Child = std::make_unique<FuzzList>();
                o->Child->Depth = o->Depth + 1;
                is >> *o->Child;
            }
        }
        void Write(opstream&) const override {}
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(FuzzList)
};
KV_REGISTER_STREAMABLE(FuzzList);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ipstream is(std::string(reinterpret_cast<const char*>(data), size));
    is.readVersion();
    FuzzList root;
    try {
        while (is.good()) is >> root;
    } catch (const xmsg&) {
        // An unregistered record name ends the read, as it ends a command.
    }
    return 0;
}
