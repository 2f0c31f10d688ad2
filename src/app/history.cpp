#include "app/history.h"

#include "platform/paths.h"

namespace kv::app {

std::string NormaliseHistoryName(const std::string& name) {
    // Only a drive prefix changes; splitting and joining the whole path would cut
    // long parts.
    std::string out = name;
    if (out.size() >= 2 && out[1] == ':' && out[0] >= 'a' && out[0] <= 'z') out[0] = char(out[0] - 'a' + 'A');
    return out;
}

void PushHistory(History& history, const std::string& name) {
    const std::string entry = NormaliseHistoryName(name);
    int found = -1;
    for (int k = 0; k < HistorySize; ++k)
        if (history[std::size_t(k)] == entry) found = k;
    const int last = found >= 0 ? found : HistorySize - 1;
    for (int k = last; k > 0; --k) history[std::size_t(k)] = history[std::size_t(k - 1)];
    history[0] = entry;
}

std::string HistoryMenuText(int k, const std::string& entry) {
    return "&" + std::to_string(k) + "." + entry;
}

bool IsGraphFile(const std::string& path) {
    const std::string ext = SplitFilePath(path).ext;
    return ext == ".kv3" || ext == ".KV3";
}

}  // namespace kv::app
