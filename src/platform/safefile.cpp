#include "platform/safefile.h"

#include "platform/largealloc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <random>

namespace kv {

namespace {

// Write-protected: we may not write it, or it carries no write bit at all (the
// read-only mark of other systems), which holds for the superuser too.
bool WriteProtected(const std::string& path, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

bool WriteAllAt(int fd, const char* data, std::size_t n, off_t at) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, data, n, at);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= std::size_t(w);
        at += w;
    }
    return true;
}

// Calls make with names beside path ("." + its name + a random suffix) until it
// takes one that is free: true with that name in *temp; false, and *temp empty,
// when make fails for another reason than the name being taken.
template <class Make>
bool MakeBeside(const std::string& path, std::string* temp, Make make) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unsigned(random()));
        *temp = path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
        if (make(temp->c_str())) return true;
        if (errno != EEXIST && errno != EINTR) break;
    }
    temp->clear();
    return false;
}

// Creates a new file under a free name beside path; its descriptor (write only)
// with the name in *temp, or -1 when the folder takes no new file.
int CreateBeside(const std::string& path, std::string* temp) {
    int fd = -1;
    MakeBeside(path, temp, [&fd](const char* name) {
        fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    return fd;
}

// Gives the file `from` a second name, free now, beside path; false when the
// file system makes no such link.
bool LinkBeside(const std::string& from, const std::string& path, std::string* temp) {
    return MakeBeside(path, temp, [&from](const char* name) {
        return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
    });
}

// Writes the whole content of src over dst from its start, cuts dst to that
// length and syncs it. The room is reserved first, without changing dst's
// length, so that a full disk is found before a byte of dst changes. File
// systems that cannot reserve room are written as they are.
bool CopyOver(int src, int dst) {
    struct stat st;
    if (::fstat(src, &st) != 0) return false;
    const off_t size = st.st_size;
    if (size > 0 && ::fallocate(dst, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL)
        return false;
    char block[1 << 16];
    off_t at = 0;
    while (at < size) {
        const ssize_t n = ::pread(src, block, sizeof block, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (!WriteAllAt(dst, block, std::size_t(n), at)) return false;
        at += n;
    }
    return ::ftruncate(dst, size) == 0 && ::fsync(dst) == 0;
}

// Makes a rename in path's folder last: syncs the folder. A folder that cannot be
// opened, or a file system that syncs no folders, is taken as done.
bool SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    int r;
    do {
        r = ::fsync(fd);
    } while (r != 0 && errno == EINTR);
    const bool ok = r == 0 || errno == EINVAL || errno == EROFS || errno == EOPNOTSUPP;
    ::close(fd);
    return ok;
}

}  // namespace

ReplacingFileWriter::ReplacingFileWriter(const std::string& path) : target_(path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    struct stat st;
    const bool existed = ::stat(target_.c_str(), &st) == 0;
    if (existed && (!S_ISREG(st.st_mode) || WriteProtected(target_, st))) return;

    const int fd = CreateBeside(target_, &temp_);
    if (fd < 0) {
        // A folder that takes no new file: a writable target is written in place.
        if (existed) OpenInPlace();
        return;
    }
    if (existed) (void)::fchmod(fd, st.st_mode & 07777);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void ReplacingFileWriter::OpenInPlace() {
    // Opened now (not cut) so that only a target we can really write gets this
    // far; it changes only on Commit.
    const int fd = OpenRegularFileDescriptor(target_, O_WRONLY);
    if (fd < 0) return;
    file_ = std::tmpfile();
    if (!file_) {
        ::close(fd);
        return;
    }
    targetFd_ = fd;
}

ReplacingFileWriter::~ReplacingFileWriter() { Abort(); }

bool ReplacingFileWriter::Commit() {
    if (!file_) return false;
    if (InPlace()) {
        const bool ok = CommitInPlace();
        Abort();
        return ok;
    }
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = ::fsync(::fileno(file_)) == 0 && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    temp_.clear();
    // The new name is on the disk only once the folder is.
    return ok && SyncFolderOf(target_);
}

bool ReplacingFileWriter::CommitInPlace() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) return false;
    return CopyOver(::fileno(file_), targetFd_);
}

void ReplacingFileWriter::Abort() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (targetFd_ >= 0) {
        ::close(targetFd_);
        targetFd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

int OpenRegularFileDescriptor(const std::string& path, int access) {
    int fd;
    do {
        fd = ::open(path.c_str(), access | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Reads and writes of a regular file wait for the disk as usual.
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::FILE* OpenRegularFile(const std::string& path) {
    const int fd = OpenRegularFileDescriptor(path);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}

FileReadStatus ReadRegularFile(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    const int fd = OpenRegularFileDescriptor(path);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing : FileReadStatus::Refused;
    struct stat st;
    if (::fstat(fd, &st) != 0 || std::size_t(st.st_size) > limit) {
        ::close(fd);
        return FileReadStatus::Refused;
    }
    // Read in one piece into room of the file's size (one more byte tells a
    // file that grew meanwhile, which is read on in chunks).
    std::size_t size = std::size_t(st.st_size) + 1;
    out.reserve(size);
    AdviseHugePages(out.data(), size);
    out.resize(size);
    std::size_t have = 0;
    bool ok = true;
    for (;;) {
        if (have == out.size()) {
            if (out.size() > limit) {
                ok = false;
                break;
            }
            out.resize(std::min(out.size() * 2, limit == std::size_t(-1) ? limit : limit + 1));
        }
        const ssize_t n = ::read(fd, out.data() + have, out.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        have += std::size_t(n);
    }
    ::close(fd);
    if (!ok || have > limit) {
        out.clear();
        return FileReadStatus::Refused;
    }
    out.resize(have);
    return FileReadStatus::Ok;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    return ReadRegularFile(path, out) == FileReadStatus::Ok;
}

std::string ReplaceExtension(const std::string& path, const char* ext) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const std::size_t stem = dot != std::string::npos && dot > nameStart ? dot : path.size();
    return path.substr(0, stem) + ext;
}

bool PreserveAs(const std::string& from, const std::string& to, bool rewrittenInPlace) {
    const int in = OpenRegularFileDescriptor(from);
    if (in < 0) return false;
    struct stat source, backup;
    const bool hadBackup = ::lstat(to.c_str(), &backup) == 0;
    if (::fstat(in, &source) != 0) {
        ::close(in);
        return false;
    }
    // A second name for the old file costs nothing and keeps it exactly, as long
    // as its content is only replaced by a rename. A file written over in place
    // would take its backup with it, so that one, and any file on a file system
    // without hard links, is copied. Either is made under a name of its own and
    // renamed over the old backup only when complete: until then the old backup
    // stays as it was. (The save that follows syncs the folder.)
    if (!rewrittenInPlace) {
        if (hadBackup && backup.st_dev == source.st_dev && backup.st_ino == source.st_ino) {
            ::close(in);
            return true;  // it is the file already
        }
        std::string temp;
        if (LinkBeside(from, to, &temp)) {
            ::close(in);
            const bool renamed = std::rename(temp.c_str(), to.c_str()) == 0;
            if (!renamed) ::unlink(temp.c_str());
            return renamed;
        }
    }
    std::string temp;
    int out = CreateBeside(to, &temp);
    bool ok = false;
    if (out >= 0) {
        (void)::fchmod(out, source.st_mode & 07777);
        ok = CopyOver(in, out);
        ok = ::close(out) == 0 && ok;
        if (ok) ok = std::rename(temp.c_str(), to.c_str()) == 0;
        if (!ok) ::unlink(temp.c_str());
    } else if (hadBackup && S_ISREG(backup.st_mode)) {
        // A folder that takes no new file: only a backup already there can be
        // refreshed, written over in place once its room is reserved.
        out = OpenRegularFileDescriptor(to, O_WRONLY);
        if (out >= 0) {
            ok = CopyOver(in, out);
            ok = ::close(out) == 0 && ok;
        }
    }
    ::close(in);
    return ok;
}

}  // namespace kv
