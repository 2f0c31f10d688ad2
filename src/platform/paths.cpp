#include "paths.h"

#include <sys/stat.h>

namespace kv {

namespace {

constexpr std::size_t kMaxPart = 255;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

std::string Cut(std::string_view s) { return std::string(s.substr(0, kMaxPart)); }

SplitPath Split(std::string_view path, bool cp932) {
    SplitPath r;
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        r.drive = Cut(rest.substr(0, 2));
        rest.remove_prefix(2);
    }
    // Positions of the last separator and of the last dot, skipping the second
    // bytes of double-byte characters when the text is CP932.
    std::size_t lastSep = std::string_view::npos;
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (cp932 && IsLeadByte((unsigned char)c) && i + 1 < rest.size() &&
            IsTrailByte((unsigned char)rest[i + 1])) {
            ++i;
            continue;
        }
        if (IsSeparator(c)) lastSep = i;
        else if (c == '.') lastDot = i;
    }
    std::size_t nameStart = lastSep == std::string_view::npos ? 0 : lastSep + 1;
    std::string_view name = rest.substr(nameStart);
    if (name == "." || name == "..") {
        r.dir = Cut(rest);
        return r;
    }
    r.dir = Cut(rest.substr(0, nameStart));
    if (lastDot != std::string_view::npos && lastDot >= nameStart) {
        r.name = Cut(rest.substr(nameStart, lastDot - nameStart));
        r.ext = Cut(rest.substr(lastDot));
    } else {
        r.name = Cut(name);
    }
    return r;
}

}  // namespace

SplitPath SplitFilePath(std::string_view path) { return Split(path, false); }

SplitPath SplitFilePathCp932(std::string_view path) { return Split(path, true); }

std::string MergeFilePath(const SplitPath& parts) {
    std::string out = parts.drive;
    if (!out.empty() && out.back() != ':') out += ':';
    out += parts.dir;
    if (!parts.dir.empty() && !IsSeparator(parts.dir.back()) &&
        !(parts.name.empty() && parts.ext.empty())) {
        // Continue with the separator the directory already uses.
        std::size_t sep = parts.dir.find_last_of("\\/");
        out += sep != std::string::npos ? parts.dir[sep] : (parts.drive.empty() ? '/' : '\\');
    }
    out += parts.name;
    if (!parts.ext.empty() && parts.ext.front() != '.') out += '.';
    out += parts.ext;
    return out;
}

std::string ToLocalPath(std::string_view stored) {
    std::string out(stored);
    if (out.size() >= 2 && out[1] == ':' &&
        ((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z')))
        out.erase(0, 2);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool FileExists(std::string_view localPath) {
    if (localPath.empty() || localPath.find('\0') != std::string_view::npos) return false;
    std::string p(localPath);
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace kv
