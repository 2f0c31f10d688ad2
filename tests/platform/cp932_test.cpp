#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

// "グラフは更新されています" in UTF-8 and in CP932.
const std::string kJapaneseUtf8 = "グラフは更新されています";
const std::string kJapaneseCp932 =
    "\x83\x4f\x83\x89\x83\x74\x82\xcd\x8d\x58\x90\x56\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7";

TEST(Cp932, LeadBytes) {
    for (int c = 0; c < 256; ++c) {
        bool want = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        EXPECT_EQ(IsDBCSLeadByte(static_cast<unsigned char>(c)), want) << c;
    }
}

TEST(Cp932, CharNextStepsCharacters) {
    // "a", "表" (whose trail byte is '\'), "\", half-width katakana "ｱ", "グ", "z".
    const char text[] = "a\x95\x5c\\\xb1\x83\x4fz";
    std::vector<int> offsets;
    for (const char* p = text; *p; p = CharNextA(p)) offsets.push_back(int(p - text));
    EXPECT_EQ(offsets, (std::vector<int>{0, 1, 3, 4, 5, 7}));

    const char* end = text + sizeof text - 1;
    EXPECT_EQ(CharNextA(end), end);  // the terminator stays put

    // A lead byte just before the terminator steps one byte, onto the terminator.
    const char lone[] = "x\x82";
    EXPECT_EQ(CharNextA(lone + 1), lone + 2);
    EXPECT_EQ(CharNextA(CharNextA(lone + 1)), lone + 2);

    char mutableText[] = "\x82\xa0!";
    char* next = CharNextA(mutableText);
    EXPECT_EQ(next, mutableText + 2);
}

TEST(Cp932, JapaneseRoundTrips) {
    EXPECT_EQ(kv::Utf8ToCp932(kJapaneseUtf8), kJapaneseCp932);
    EXPECT_EQ(kv::Cp932ToUtf8(kJapaneseCp932), kJapaneseUtf8);
    EXPECT_EQ(kv::Cp932ToUtf8Lossy(kJapaneseCp932), kJapaneseUtf8);

    // Half-width katakana, NEC and IBM extensions, full-width letters, a
    // backslash trail byte, the ASCII backslash and tilde (not yen and overline),
    // and an embedded zero byte.
    const std::string mixed = "C:\\ｱｲｳ①ⅰ～ａＢ表~\0end"s;
    auto cp932 = kv::Utf8ToCp932(mixed);
    ASSERT_TRUE(cp932.has_value());
    EXPECT_EQ(*cp932, "C:\\\xb1\xb2\xb3\x87\x40\xfa\x40\x81\x60\x82\x81\x82\x61\x95\x5c~\0end"s);
    EXPECT_EQ(kv::Cp932ToUtf8(*cp932), mixed);

    EXPECT_EQ(kv::Cp932ToUtf8(""), "");
    EXPECT_EQ(kv::Utf8ToCp932(""), "");
    EXPECT_EQ(kv::Cp932ToUtf8Lossy(""), "");
}

TEST(Cp932, LongTextConvertsWhole) {
    std::string utf8, cp932;
    for (int i = 0; i < 5000; ++i) {
        utf8 += kJapaneseUtf8 + "ｱ" + std::to_string(i);
        cp932 += kJapaneseCp932 + "\xb1" + std::to_string(i);
    }
    EXPECT_EQ(kv::Utf8ToCp932(utf8), cp932);
    EXPECT_EQ(kv::Cp932ToUtf8(cp932), utf8);
}

TEST(Cp932, InvalidInput) {
    struct Case {
        std::string cp932;
        std::string lossy;
    };
    const Case cases[] = {
        {"ab\x82", "ab\uFFFD"},                  // lone lead byte at the end
        {"\x82 x", "\uFFFD x"},                  // lead byte without a trail byte
        {"\x85\x40z", "\uFFFDz"},                // unassigned double-byte code: one mark
        {"\x80\xa0\xfd\xfe\xff", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // unassigned single bytes
        {"\x83\x4f\xff\x83\x4f", "グ\uFFFDグ"},  // valid text on both sides survives
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lossy);
        EXPECT_EQ(kv::Cp932ToUtf8(c.cp932), std::nullopt);
        EXPECT_EQ(kv::Cp932ToUtf8Lossy(c.cp932), c.lossy);
    }
    // A failure leaves no state behind for the next call on the same thread.
    EXPECT_EQ(kv::Cp932ToUtf8(kJapaneseCp932), kJapaneseUtf8);

    const std::string badUtf8[] = {
        "\xff",              // not UTF-8
        "abc\xe3\x82",       // cut-off sequence
        "\xc0\xaf",          // overlong '/'
        "\xed\xa0\x80",      // surrogate
        "😀",                // outside CP932
        "한국어",            // Hangul, outside CP932
    };
    for (const auto& s : badUtf8) EXPECT_EQ(kv::Utf8ToCp932(s), std::nullopt) << s;
    EXPECT_EQ(kv::Utf8ToCp932("ok"), "ok");
}

TEST(Cp932, ConvertsOnSeveralThreads) {
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &good] {
            for (int i = 0; i < 500; ++i) {
                bool ok = kv::Cp932ToUtf8(kJapaneseCp932) == kJapaneseUtf8 &&
                          kv::Utf8ToCp932(kJapaneseUtf8) == kJapaneseCp932 &&
                          kv::Cp932ToUtf8Lossy("\xff" + kJapaneseCp932) == "\uFFFD" + kJapaneseUtf8;
                good[std::size_t(t)] += ok;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(good, std::vector<int>(4, 500));
}

}  // namespace
