// Feeds arbitrary bytes to the graph-file reader. A document it accepts is laid
// out and drawn as the program would (extent, kvx records, a small image), and
// must write out again, read back, and write out the same bytes a second time.
#include "model/graphfile.h"
#include "render/textlayout.h"
#include "support/graph_exercise.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::FILE* Sink() {
    static std::FILE* sink = std::fopen("/dev/null", "wb");
    return sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Texts are laid out and drawn with the program's fonts, off any screen.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    kv::InstallTextLayout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ipstream is(std::string(reinterpret_cast<const char*>(data), size));
    is.readVersion();
    if (!is.good()) return 0;
    GraphFileContent content;
    if (ReadGraphContent(is, content) != GraphReadStatus::Ok) return 0;

    kvtest::DrawEverywhere(content.AxisSets, *content.Env, Sink());
    Check(kvtest::WritesBackTheSame(*content.Env, content.AxisSets));
    return 0;
}
