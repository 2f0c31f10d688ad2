// No file the program reads is waited on: a named pipe in place of any of them
// (a user's choice in a file dialog, a profile path, a name in a graph file) is
// refused at once as a file that cannot be read, and left as it is.

#include "fitting/fitsettings.h"
#include "model/graphfile.h"
#include "model/plot.h"
#include "numerics/constfile.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "render/filterlist.h"
#include "support/helpers/fifo_watchdog.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

TEST(Pipes, NoReaderWaitsOnANamedPipe) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    kv::ScriptedMessageBoxes boxes;
    struct Reader {
        const char* name;
        std::function<bool(const std::string&)> refuses;
    };
    const Reader readers[] = {
        {"profile", [](const std::string& p) {
             char buf[8];
             return GetPrivateProfileStringA("Window", "left", "d", buf, sizeof buf, p.c_str()) == 1 &&
                    !WritePrivateProfileStringA("Window", "left", "1", p.c_str());
         }},
        {"settings file", [](const std::string& p) { return ReadNls(p.c_str()).Function.empty(); }},
        {"constant file", [](const std::string& p) {
             std::vector<std::string> lines;
             return ReadConstantFile(p, lines) == ConstFileStatus::OpenFailed;
         }},
        {"filter list", [](const std::string& p) {
             std::vector<FilterEntry> list;
             return !ReadFilterIni(p, list);
         }},
        {"data file", [](const std::string& p) {
             TPlot plot;
             std::snprintf(plot.DataFileName, sizeof plot.DataFileName, "%s", p.c_str());
             return plot.ReadData() == 0;
         }},
        {"graph file", [](const std::string& p) {
             GraphDocument doc;
             return ReadGraphFile(doc, p) == 0;
         }},
    };
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.name);
        const std::string pipe = dir.filePath(r.name).toStdString();
        kvtest::MakeFifo(pipe);
        kvtest::WithFifoWatchdog(pipe, [&] { EXPECT_TRUE(r.refuses(pipe)); });
        struct stat st;
        ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}

}  // namespace
