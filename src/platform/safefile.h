#pragma once
// Files that must never be left half written: a new content goes to a temporary
// file beside the target and takes the target's name only when all of it is on
// the disk. Also the one way the program opens files for reading, and the helpers
// of backup copies. Paths are local (UTF-8) file names.

#include <fcntl.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace kv {

// Writes a file so that the target holds either its old content or the whole new
// one. Normally the new content goes to a temporary file beside the target and is
// renamed over it on Commit: a symbolic link is followed, so the link survives,
// and the new file keeps the old one's permission bits. A target that exists but
// is write-protected (no write permission for us, or no write bit for anyone,
// which is respected even where the system would let the write through) is
// refused. Where the folder takes no new file but the target itself is writable,
// the content is gathered aside and written over the target in place on Commit,
// once its room on the disk is reserved. Destroying a writer that was not
// committed leaves the target as it was.
class ReplacingFileWriter {
public:
    explicit ReplacingFileWriter(const std::string& path);
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    // The open stream the content goes to (binary), or null when the target
    // cannot be written: it is write-protected, not a regular file, or neither a
    // new file beside it nor the target itself can be written.
    std::FILE* File() const { return file_; }
    // True when the content will be written over the target in place.
    bool InPlace() const { return targetFd_ >= 0; }
    // Puts the whole content under the target's name: syncs and renames the
    // temporary file over the target, then syncs its folder so that the new name
    // lasts; or writes the content over the target in place. False on any
    // failure; the target is then untouched, except when the disk fails in the
    // middle of an in-place write whose room was reserved, or the folder cannot be
    // synced after the rename (the new content is in place, but a crash may still
    // lose it).
    bool Commit();
    // Drops the content; the target stays as it was.
    void Abort();

private:
    void OpenInPlace();
    bool CommitInPlace();

    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    int targetFd_ = -1;
};

// How an attempt to read a file ended.
enum class FileReadStatus {
    Ok,
    Missing,  // no such file, or a folder on its path is missing
    Refused,  // not a regular file, larger than allowed, unreadable, or a read error
};

// Every file the program reads is opened through here: without waiting (a pipe
// with no writer or a device never blocks the open), and only when it is a
// regular file. The descriptor (in blocking mode again, close-on-exec), or -1
// with errno set (EINVAL for anything that is not a regular file). access:
// O_RDONLY, or O_WRONLY for a file to be written over.
int OpenRegularFileDescriptor(const std::string& path, int access = O_RDONLY);

// A regular file opened for reading in binary mode; null for anything else.
std::FILE* OpenRegularFile(const std::string& path);

// A stream closed when its owner goes.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The whole content of a regular file of at most limit bytes.
FileReadStatus ReadRegularFile(const std::string& path, std::string& out,
                               std::size_t limit = static_cast<std::size_t>(-1));

// The whole content of a regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

// The path with the extension of its last component replaced by ext (which
// includes the dot), or ext added when the name has none.
std::string ReplaceExtension(const std::string& path, const char* ext);

// Keeps the present content of the file `from` under the name `to` (replacing
// what was there), before `from` is replaced through a ReplacingFileWriter; false
// when it could not, and then whatever `to` held is still there as it was (the
// new one is made under a name of its own and renamed over it when complete;
// only in a folder that takes no new file is an existing `to` written over in
// place, once its room is reserved). rewrittenInPlace: the writer will write
// over `from` itself (ReplacingFileWriter::InPlace), so the content is copied,
// never shared.
bool PreserveAs(const std::string& from, const std::string& to, bool rewrittenInPlace = false);

}  // namespace kv
