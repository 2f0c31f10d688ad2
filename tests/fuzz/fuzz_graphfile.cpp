// Feeds arbitrary bytes to the graph-file reader. A file it accepts must write
// out again, read back, and write out the same bytes a second time.
#include "model/graphfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::string Written(const GraphFileContent& content) {
    opstream os;
    WriteGraphContent(os, *content.Env, content.AxisSets);
    return os.buffer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ipstream is(std::string(reinterpret_cast<const char*>(data), size));
    is.readVersion();
    if (!is.good()) return 0;
    GraphFileContent content;
    if (ReadGraphContent(is, content) != GraphReadStatus::Ok) return 0;

    const std::string first = Written(content);
    ipstream again(first);
    again.readVersion();
    GraphFileContent back;
    Check(ReadGraphContent(again, back) == GraphReadStatus::Ok);
    Check(back.AxisSets.GetItemsInContainer() == content.AxisSets.GetItemsInContainer());
    Check(Written(back) == first);
    return 0;
}
