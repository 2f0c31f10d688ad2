#include "platform/filedialog.h"

#include <gtest/gtest.h>

namespace {

kv::FileDialogRequest DataRequest(int filterIndex) {
    kv::FileDialogRequest r;
    r.title = "open";
    r.filters = {{"(*.dat)", "*.dat"}, {"(*.*)", "*.*"}, {"(*.txt)", "*.txt"}};
    r.filterIndex = filterIndex;
    r.flags = OFN_FILEMUSTEXIST;
    return r;
}

TEST(FileDialogService, WithoutAHandlerEveryDialogIsCancelled) {
    kv::FileDialogHandler before = kv::SetFileDialogHandler(nullptr);
    kv::FileDialogResult r = kv::RunFileDialog(DataRequest(2));
    EXPECT_FALSE(r.chosen);
    EXPECT_EQ(r.error, 0u);
    EXPECT_TRUE(r.files.empty());
    kv::SetFileDialogHandler(std::move(before));
}

TEST(FileDialogService, ScriptAnswersInOrderRecordsAndRestores) {
    int outer = 0;
    kv::FileDialogHandler before = kv::SetFileDialogHandler([&](const kv::FileDialogRequest&) {
        ++outer;
        return kv::FileDialogResult{};
    });
    {
        kv::ScriptedFileDialogs script;
        script.Choose({"/tmp/a.dat"});        // keeps the request's filter
        script.Choose({"/tmp/b.txt"}, 3);     // the user switched filters
        script.Fail(FNERR_INVALIDFILENAME);
        script.Choose({"/x/1", "/x/2"});

        kv::FileDialogResult a = kv::RunFileDialog(DataRequest(2));
        EXPECT_TRUE(a.chosen);
        EXPECT_EQ(a.files, std::vector<std::string>{"/tmp/a.dat"});
        EXPECT_EQ(a.filterIndex, 2);
        kv::FileDialogResult b = kv::RunFileDialog(DataRequest(0));
        EXPECT_EQ(b.filterIndex, 3);
        kv::FileDialogResult c = kv::RunFileDialog(DataRequest(0));
        EXPECT_FALSE(c.chosen);
        EXPECT_EQ(c.error, FNERR_INVALIDFILENAME);
        kv::FileDialogResult d = kv::RunFileDialog(DataRequest(9));  // index out of range
        EXPECT_EQ(d.files.size(), 2u);
        EXPECT_EQ(d.filterIndex, 1);
        kv::FileDialogResult e = kv::RunFileDialog(DataRequest(1));  // queue empty
        EXPECT_FALSE(e.chosen);
        EXPECT_EQ(e.error, 0u);

        ASSERT_EQ(script.Shown().size(), 5u);
        EXPECT_EQ(script.Shown()[0].title, "open");
        EXPECT_EQ(script.Shown()[1].filterIndex, 0);
        EXPECT_EQ(outer, 0);
    }
    kv::RunFileDialog(DataRequest(1));
    EXPECT_EQ(outer, 1);
    kv::SetFileDialogHandler(std::move(before));
}

}  // namespace
