#pragma once
// Paths as the document stores them: possibly Windows paths from old files
// ("D:\data\x.dat"). The splitter knows a drive prefix, both separators and the
// extension; opening a stored path on Linux drops the drive prefix and turns
// backslashes into slashes.

#include <string>
#include <string_view>

namespace kv {

struct SplitPath {
    std::string drive;  // "C:" when the second character is ':', else empty
    std::string dir;    // up to and including the last '\' or '/'
    std::string name;   // the file name without extension
    std::string ext;    // from the last '.' of the name, including it
};

// Splits like the C runtime's fnsplit; each part is cut to 255 characters. A final
// "." or ".." belongs to the directory.
SplitPath SplitFilePath(std::string_view path);
// The same for CP932 bytes: the second byte of a double-byte character (0x5C in
// many Japanese names) is never taken for a separator.
SplitPath SplitFilePathCp932(std::string_view path);
// Joins the parts, adding a drive's ':', a separator after the directory (when a
// name or extension follows) and an extension's '.' where they are missing.
std::string MergeFilePath(const SplitPath& parts);

// A stored (possibly Windows) path made usable on this system: "C:" dropped,
// backslashes turned into slashes. A path with neither is returned unchanged.
// Takes UTF-8: convert a CP932 stored path first, or its second bytes 0x5C would
// turn into slashes too.
std::string ToLocalPath(std::string_view stored);

// True when the exact path names an existing file (no pattern matching).
bool FileExists(std::string_view localPath);

}  // namespace kv
