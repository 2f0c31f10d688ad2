// Damaged copies of a real graph file: every truncation of it and byte-damaged
// copies of it are opened as the program opens a file, drawn in every output
// mode, saved and read back. Nothing may crash, hang or trip the sanitizers; a
// copy that opens saves and reads back as the same document, one that does not
// leaves the open document as it was with one message. KORVIDA_DAMAGED_COPIES
// sets the number of byte-damaged copies (a few hundred by default).

#include "model/graphfile.h"
#include "platform/messagebox.h"
#include "render/textlayout.h"
#include "support/graph_exercise.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

std::string Serialized(const GraphDocument& doc) { return kvtest::WrittenContent(*doc.Env, doc.AxisSets); }

class DamagedGraphFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-damaged-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        sink_ = std::fopen("/dev/null", "wb");
        ASSERT_NE(sink_, nullptr);
        kv::InstallTextLayout();
    }
    void TearDown() override {
        SetTextRelayoutHook(nullptr);
        if (sink_) std::fclose(sink_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // The graph file of a sample axis set holding every kind of object and a plain
    // second one, as the program writes it.
    std::string RealFile() {
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc;
        doc.AxisSets.AddAt(kvtest::MakeSampleBoxFrame().release(), 1);
        const std::string path = dir_ + "/real.kv3";
        EXPECT_EQ(WriteGraphFile(doc, path, {}), 1);
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Opens the bytes as a file; an opened document is drawn, saved and read back.
    void OpenDrawSaveReadBack(const std::string& bytes) {
        const std::string path = dir_ + "/damaged.kv3", saved = dir_ + "/saved.kv3";
        // A new file each time: cutting an existing one to length 0 makes the
        // file system write it out at once.
        std::filesystem::remove(path);
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc;
        const std::string before = Serialized(doc);
        if (ReadGraphFile(doc, path, {}) != 1) {
            ++refused_;
            EXPECT_EQ(Serialized(doc), before);
            EXPECT_EQ(boxes.Shown().size(), 1u);
            return;
        }
        ++opened_;
        kvtest::DrawEverywhere(doc.AxisSets, *doc.Env, sink_);
        ASSERT_EQ(WriteGraphFile(doc, saved, {}), 1);
        GraphDocument back;
        ASSERT_EQ(ReadGraphFile(back, saved, {}), 1);
        EXPECT_EQ(Serialized(back), Serialized(doc));
        EXPECT_TRUE(boxes.Shown().empty());
    }

    std::string dir_;
    std::FILE* sink_ = nullptr;
    int opened_ = 0, refused_ = 0;
};

TEST_F(DamagedGraphFiles, EveryTruncationIsRefusedOrOpensWhole) {
    const std::string real = RealFile();
    ASSERT_GT(real.size(), 1000u);
    for (std::size_t n = 0; n < real.size(); ++n) {
        OpenDrawSaveReadBack(real.substr(0, n));
        if (HasFatalFailure()) FAIL() << "cut at " << n;
    }
    OpenDrawSaveReadBack(real);
    EXPECT_EQ(opened_, 1) << "only the whole file is a document";
    RecordProperty("file_bytes", int(real.size()));
}

TEST_F(DamagedGraphFiles, ByteDamagedCopiesOpenDrawSaveAndReadBack) {
    const std::string real = RealFile();
    int copies = 300;
    if (const char* n = std::getenv("KORVIDA_DAMAGED_COPIES")) copies = std::atoi(n);
    std::mt19937 rng(20);
    for (int c = 0; c < copies; ++c) {
        std::string bytes = real;
        const int changes = 1 + int(rng() % 4);
        for (int k = 0; k < changes; ++k) bytes[rng() % bytes.size()] = char(rng() & 0xFF);
        OpenDrawSaveReadBack(bytes);
        if (HasFatalFailure()) FAIL() << "copy " << c;
    }
    // Most single-byte damage hits a value, not the structure: both ways are taken.
    EXPECT_GT(opened_, copies / 10);
    EXPECT_GT(refused_, 0);
    RecordProperty("opened", opened_);
    RecordProperty("refused", refused_);
}

}  // namespace
