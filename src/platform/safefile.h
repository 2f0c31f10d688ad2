#pragma once
// Files that must never be left half written: a new content goes to a temporary
// file beside the target and takes the target's name only when all of it is on
// the disk. Also whole-file reading and the helpers of backup copies.
// Paths are local (UTF-8) file names.

#include <cstdio>
#include <string>

namespace kv {

// Writes a file through a temporary file in the target's directory. A symbolic
// link is followed, so the link survives; the new file keeps the old one's
// permission bits. Destroying a writer that was not committed removes the
// temporary file and leaves the target as it was.
class ReplacingFileWriter {
public:
    explicit ReplacingFileWriter(const std::string& path);
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    // The open temporary file (binary), or null when none could be created.
    std::FILE* File() const { return file_; }
    // Flushes, syncs and closes the temporary file and renames it over the
    // target. False on any failure, the target then untouched.
    bool Commit();
    // Removes the temporary file.
    void Abort();

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// A regular file opened for reading in binary mode; null for anything else
// (a folder, a device, a pipe: opening one never waits for a writer).
std::FILE* OpenRegularFile(const std::string& path);

// The whole content of a regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

// The path with the extension of its last component replaced by ext (which
// includes the dot), or ext added when the name has none.
std::string ReplaceExtension(const std::string& path, const char* ext);

// Keeps the present content of the file `from` under the name `to` (replacing
// what was there), before `from` is replaced through a ReplacingFileWriter; false
// when it could not.
bool PreserveAs(const std::string& from, const std::string& to);

}  // namespace kv
