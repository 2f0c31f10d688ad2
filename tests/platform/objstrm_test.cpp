#include "platform/objstrm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(char(v));
    return s;
}

// A user-constant-like record (a name and a value, version 1) under a name of the
// same length as the document's own, which the model registers itself.
class TUserConstStandIn : public TStreamableBase {
public:
    std::string Name;
    double Value = 0.0;
    std::uint32_t ReadVersion = 99;

    class Streamer : public TStreamerOf<TUserConstStandIn> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override {
            GetObject()->ReadVersion = version;
            is.readString(GetObject()->Name);
            is.readDouble(GetObject()->Value);
        }
        void Write(opstream& os) const override {
            os.writeString(GetObject()->Name);
            os.writeDouble(GetObject()->Value);
        }
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(TUserConstStandIn)
};
KV_REGISTER_STREAMABLE(TUserConstStandIn);

// A list owner with a word, a fixed name array and a counted list of records.
class TestOwner : public TStreamableBase {
public:
    std::int32_t Word = -1;
    char Label[8] = "default";
    std::vector<std::unique_ptr<TUserConstStandIn>> Items;

    class Streamer : public TStreamerOf<TestOwner> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t) const override {
            TestOwner* o = GetObject();
            o->Word = std::int32_t(is.readWord());
            is.readString(o->Label, sizeof o->Label);
            std::uint32_t n = is.readWord32();
            o->Items.clear();
            if (!is.expectItems(n, kMinRecordBytes)) return;
            for (std::uint32_t i = 0; i < n && is.good(); ++i) {
                auto e = std::make_unique<TUserConstStandIn>();
                is >> *e;
                o->Items.push_back(std::move(e));
            }
        }
        void Write(opstream& os) const override {
            const TestOwner* o = GetObject();
            os.writeWord(o->Word);
            os.writeString(o->Label);
            os.writeWord32(std::uint32_t(o->Items.size()));
            for (const auto& e : o->Items) os << *e;
        }
        std::uint32_t ClassVersion() const override { return 2; }
    };
    KV_STREAMABLE(TestOwner)
};
KV_REGISTER_STREAMABLE(TestOwner);

// Never registered.
class Stranger : public TStreamableBase {
public:
    class Streamer : public TStreamerOf<Stranger> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream&, std::uint32_t) const override {}
        void Write(opstream&) const override {}
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(Stranger)
};

const std::string kHeader = Bytes({0x3A, 0x01, 0x01, 0x00, 0x00});

}  // namespace

TEST(ObjectStream, HeaderAndStringEncodings) {
    opstream os;
    EXPECT_EQ(os.buffer(), kHeader);
    os.writeString(std::string());
    os.writeString(std::string("abc"));
    os.writeString(static_cast<const char*>(nullptr));
    os.writeString(std::string("ab\0cd", 5));  // written up to the first zero
    EXPECT_EQ(os.buffer(), kHeader + Bytes({0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 0xFF, 0xFF,
                                            0xFF, 0xFF, 2, 0, 0, 0, 'a', 'b'}));
}

TEST(ObjectStream, RecordLayoutOfANameAndADouble) {
    TUserConstStandIn c;
    c.Name = "a";
    c.Value = 1.0;
    opstream os;
    os << c;
    std::string expected = Bytes({0x5B, 0x11, 0, 0, 0}) + "TUserConstStandIn" +
                           Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0x5D});
    ASSERT_EQ(expected.size(), 40u);
    EXPECT_EQ(os.buffer(), kHeader + expected);

    ipstream is(os.buffer());
    is.readVersion();
    EXPECT_EQ(is.getVersion(), 0x101u);
    TUserConstStandIn back;
    is >> back;
    EXPECT_TRUE(is.good());
    EXPECT_EQ(back.Name, "a");
    EXPECT_EQ(back.Value, 1.0);
    EXPECT_EQ(back.ReadVersion, 1u);
    EXPECT_EQ(is.remaining(), 0u);
}

TEST(ObjectStream, NestedRecordsRoundTrip) {
    TestOwner o;
    o.Word = 0x12345678;
    std::strcpy(o.Label, "lbl");
    for (int i = 0; i < 3; ++i) {
        auto e = std::make_unique<TUserConstStandIn>();
        e->Name = std::string(1, char('x' + i));
        e->Value = i * 0.5;
        o.Items.push_back(std::move(e));
    }
    opstream os;
    os << o;
    ipstream is(os.buffer());
    is.readVersion();
    TestOwner back;
    is >> back;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(back.Word, 0x12345678);
    EXPECT_STREQ(back.Label, "lbl");
    ASSERT_EQ(back.Items.size(), 3u);
    EXPECT_EQ(back.Items[2]->Name, "z");
    EXPECT_EQ(back.Items[2]->Value, 1.0);
}

TEST(ObjectStream, OlderStreamVersions) {
    // Version 0: no header, 1-byte string lengths, 2-byte words, no class version.
    std::string v0 = Bytes({0x5B, 9}) + "TestOwner" + Bytes({0x34, 0x12, 2, 'h', 'i', 1, 0, 0, 0}) +
         Bytes({0x5B, 17}) + "TUserConstStandIn" + Bytes({1, 'q'}) +
         Bytes({0, 0, 0, 0, 0, 0, 0, 0x40}) + Bytes({0x5D, 0x5D});
    ipstream is0(v0);
    is0.readVersion();
    EXPECT_EQ(is0.getVersion(), 0u);
    EXPECT_EQ(is0.remaining(), v0.size());  // nothing consumed
    TestOwner o0;
    is0 >> o0;
    ASSERT_TRUE(is0.good());
    EXPECT_EQ(o0.Word, 0x1234);
    EXPECT_STREQ(o0.Label, "hi");
    ASSERT_EQ(o0.Items.size(), 1u);
    EXPECT_EQ(o0.Items[0]->ReadVersion, 0u);
    EXPECT_EQ(o0.Items[0]->Value, 2.0);

    // Version 0x100: 4-byte words and class versions, 1-byte string lengths.
    std::string v100 = Bytes({0x3A, 0, 1, 0, 0, 0x5B, 9}) + "TestOwner" + Bytes({2, 0, 0, 0}) +
                       Bytes({7, 0, 0, 0, 0xFF, 0, 0, 0, 0}) + Bytes({0x5D});
    ipstream is1(v100);
    is1.readVersion();
    EXPECT_EQ(is1.getVersion(), 0x100u);
    TestOwner o1;
    is1 >> o1;
    ASSERT_TRUE(is1.good());
    EXPECT_EQ(o1.Word, 7);
    EXPECT_STREQ(o1.Label, "default");  // the null text leaves the array as it was
    EXPECT_TRUE(o1.Items.empty());
}

TEST(ObjectStream, DamageSetsStickyFailure) {
    TUserConstStandIn c;
    c.Name = "a";
    c.Value = 3.0;
    opstream os;
    os << c;
    std::string bytes = os.buffer();
    bytes.back() = 'X';  // closing mark damaged
    bytes += Bytes({5, 0, 0, 0});
    ipstream is(bytes);
    is.readVersion();
    TUserConstStandIn back;
    is >> back;
    EXPECT_TRUE(is.fail());
    EXPECT_EQ(back.Value, 3.0);  // the fields were read before the mark
    EXPECT_EQ(is.readWord32(), 0u);
    std::string s = "kept";
    is.readString(s);
    EXPECT_EQ(s, "kept");
    double d = 7.0;
    is.readDouble(d);
    EXPECT_EQ(d, 7.0);
}

TEST(ObjectStream, RejectedRecordHeads) {
    struct Case {
        const char* what;
        std::string body;
    };
    const Case cases[] = {
        {"missing opening mark", Bytes({0x5C, 1, 0, 0, 0, 'T'})},
        {"empty name", Bytes({0x5B, 0, 0, 0, 0})},
        {"null name", Bytes({0x5B, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"name of 128 characters", Bytes({0x5B, 128, 0, 0, 0}) + std::string(128, 'N')},
        {"name longer than the stream", Bytes({0x5B, 50, 0, 0, 0, 'T'})},
        {"record of another class", Bytes({0x5B, 9, 0, 0, 0}) + "TestOwner" + Bytes({2, 0, 0, 0})},
        {"truncated header", Bytes({0x3A, 1, 1})},
    };
    for (const Case& c : cases) {
        std::string bytes = c.body.starts_with(':') ? c.body : kHeader + c.body;
        ipstream is(bytes);
        is.readVersion();
        TUserConstStandIn e;
        e.Name = "untouched";
        is >> e;
        EXPECT_TRUE(is.fail()) << c.what;
        EXPECT_EQ(e.Name, "untouched") << c.what;
    }
    ipstream empty{std::string()};
    empty.readVersion();
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.getVersion(), 0u);
}

TEST(ObjectStream, UnregisteredTypeRaisesItsMessage) {
    Stranger s;
    opstream os;
    try {
        os << s;
        FAIL() << "no exception";
    } catch (const xmsg& e) {
        EXPECT_EQ(e.why(), "Attempt to stream unregistered type 'Stranger'");
    }
    ipstream is(kHeader + Bytes({0x5B, 5, 0, 0, 0}) + "Ghost" + Bytes({1, 0, 0, 0, 0x5D}));
    is.readVersion();
    TUserConstStandIn e;
    try {
        is >> e;
        FAIL() << "no exception";
    } catch (const xmsg& ex) {
        EXPECT_EQ(ex.why(), "Attempt to stream unregistered type 'Ghost'");
    }
}

TEST(ObjectStream, OversizedFieldsKeepTheStreamInStepOrFail) {
    // A string too long for its array is skipped whole; the fields after it still read.
    std::string body = Bytes({0x5B, 9, 0, 0, 0}) + "TestOwner" + Bytes({2, 0, 0, 0}) +
                       Bytes({9, 0, 0, 0, 10, 0, 0, 0}) + "0123456789" + Bytes({0, 0, 0, 0, 0x5D});
    ipstream is(kHeader + body);
    is.readVersion();
    TestOwner o;
    is >> o;
    EXPECT_TRUE(is.good());
    EXPECT_EQ(o.Word, 9);
    EXPECT_STREQ(o.Label, "default");

    // A list count beyond what the stream holds fails instead of allocating.
    std::string huge = Bytes({0x5B, 9, 0, 0, 0}) + "TestOwner" + Bytes({2, 0, 0, 0}) +
                       Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x5D});
    ipstream is2(kHeader + huge);
    is2.readVersion();
    TestOwner o2;
    is2 >> o2;
    EXPECT_TRUE(is2.fail());
    EXPECT_TRUE(o2.Items.empty());

    // A string length beyond the stream fails and leaves the target alone.
    ipstream is3(kHeader + Bytes({0x10, 0, 0, 0, 'a'}));
    is3.readVersion();
    std::string s = "keep";
    is3.readString(s);
    EXPECT_TRUE(is3.fail());
    EXPECT_EQ(s, "keep");
}

TEST(ObjectStream, FileStreams) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        opstream os(f);
        TUserConstStandIn c;
        c.Name = "pi";
        c.Value = 3.25;
        os << c;
        EXPECT_TRUE(os.flush());
    }
    std::rewind(f);
    ipstream is(f);
    is.readVersion();
    TUserConstStandIn back;
    is >> back;
    std::fclose(f);
    EXPECT_TRUE(is.good());
    EXPECT_EQ(back.Name, "pi");
    EXPECT_EQ(back.Value, 3.25);
}

// A file is read through a window of a few kilobytes: values that straddle its
// refills, strings far longer than it, a string skipped whole and a cut-short
// end must read as from memory.
TEST(ObjectStream, FileStreamsReadLikeMemoryStreams) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::string longText(300001, 'L');
    std::string zeros(200000, '\0');
    zeros += "tail";
    {
        opstream os(f);
        for (int i = 0; i < 20000; ++i) os.writeWord32(std::uint32_t(i * 7));  // 80 kB of words
        os.writeByte(0xAB);  // the values after it lie off the 4-byte grid
        os.writeString(longText);
        os.writeWord32(std::uint32_t(zeros.size()));  // a stored string holding zeros
        os.writeBytes(zeros.data(), zeros.size());
        os.writeString(longText);  // too long for an array: skipped
        TUserConstStandIn c;
        c.Name = "after";
        c.Value = -2.5;
        os << c;
        os.writeWord32(99);
        ASSERT_TRUE(os.flush());
    }
    const long size = std::ftell(f);
    std::rewind(f);
    std::string memory(std::size_t(size), '\0');
    ASSERT_EQ(std::fread(memory.data(), 1, memory.size(), f), memory.size());

    auto check = [&](ipstream& is, const char* what) {
        SCOPED_TRACE(what);
        is.readVersion();
        EXPECT_EQ(is.remaining(), std::size_t(size) - 5);
        bool words = true;
        for (int i = 0; i < 20000; ++i) words = words && is.readWord32() == std::uint32_t(i * 7);
        EXPECT_TRUE(words);
        EXPECT_EQ(is.readByte(), 0xAB);
        std::string s;
        is.readString(s);
        EXPECT_EQ(s, longText);
        is.readString(s);
        EXPECT_EQ(s, "");  // ends at its first zero
        char name[16] = "kept";
        is.readString(name, sizeof name);
        EXPECT_STREQ(name, "kept");
        TUserConstStandIn back;
        is >> back;
        EXPECT_EQ(back.Name, "after");
        EXPECT_EQ(back.Value, -2.5);
        EXPECT_EQ(is.readWord32(), 99u);
        EXPECT_TRUE(is.good());
        EXPECT_EQ(is.remaining(), 0u);
        EXPECT_EQ(is.readByte(), 0u);
        EXPECT_TRUE(is.fail());
    };
    ipstream fromMemory(memory);
    check(fromMemory, "memory");
    std::rewind(f);
    ipstream fromFile(f);
    check(fromFile, "file");

    // Bytes asked for beyond the end fail and leave the target alone, however
    // many of them the window still holds.
    std::rewind(f);
    ipstream cut(f);
    cut.readVersion();
    std::string rest(std::size_t(size) - 5 + 1, 'x');
    cut.readBytes(rest.data(), rest.size());
    EXPECT_TRUE(cut.fail());
    EXPECT_EQ(rest, std::string(rest.size(), 'x'));
    std::fclose(f);

    ipstream none(static_cast<std::FILE*>(nullptr));
    EXPECT_TRUE(none.fail());
}

// The memory a stream's records may take: strings charge what they keep, readers
// charge their lists, and what does not fit fails the stream as too large.
TEST(ObjectStream, MemoryChargedToTheStream) {
    opstream os;
    const std::string zeros = std::string(5000, '\0') + "ignored";
    os.writeWord32(std::uint32_t(zeros.size()));
    os.writeBytes(zeros.data(), zeros.size());
    os.writeString(std::string(3000, 's'));
    ipstream is(os.buffer());
    is.readVersion();
    EXPECT_GT(is.memoryLeft(), 0u);
    is.setMemoryLimit(4000);
    std::string s = "x";
    is.readString(s);
    EXPECT_EQ(s, "");
    EXPECT_EQ(is.memoryLeft(), 4000u);
    is.readString(s);
    EXPECT_EQ(s, std::string(3000, 's'));
    EXPECT_EQ(is.memoryLeft(), 1000u);
    EXPECT_TRUE(is.expectMemory(10, 100));
    EXPECT_EQ(is.memoryLeft(), 0u);
    EXPECT_TRUE(is.good());
    EXPECT_FALSE(is.expectMemory(1, 1));
    EXPECT_TRUE(is.fail());
    EXPECT_TRUE(is.tooLarge());

    ipstream big(os.buffer());
    big.readVersion();
    big.readString(s);
    big.setMemoryLimit(2999);
    s = "kept";
    big.readString(s);
    EXPECT_TRUE(big.tooLarge());
    EXPECT_EQ(s, "kept");
    // A count beyond all memory fails without wrapping around.
    ipstream wide(os.buffer());
    EXPECT_FALSE(wide.expectMemory(UINT64_MAX / 2, 16));
    EXPECT_TRUE(wide.tooLarge());
}
