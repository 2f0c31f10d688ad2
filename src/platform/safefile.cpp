#include "platform/safefile.h"

#include "platform/largealloc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
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

}  // namespace

ReplacingFileWriter::ReplacingFileWriter(const std::string& path) : target_(path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    struct stat st;
    const bool existed = ::stat(target_.c_str(), &st) == 0;
    if (existed && (!S_ISREG(st.st_mode) || WriteProtected(target_, st))) return;

    const std::size_t slash = target_.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    int fd = -1;
    for (int attempt = 0; attempt < 32 && fd < 0; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unsigned(random()));
        temp_ = target_.substr(0, nameStart) + "." + target_.substr(nameStart) + suffix;
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd < 0) {
        temp_.clear();
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
    return ok;
}

bool ReplacingFileWriter::CommitInPlace() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) return false;
    const int staged = ::fileno(file_);
    struct stat st;
    if (::fstat(staged, &st) != 0) return false;
    const off_t size = st.st_size;
    // The room first, without changing the file's length: a full disk is found
    // before a byte of the old content is overwritten. File systems that cannot
    // reserve room are written as they are.
    if (size > 0 && ::fallocate(targetFd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        return false;
    char block[1 << 16];
    off_t at = 0;
    while (at < size) {
        const ssize_t n = ::pread(staged, block, sizeof block, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (!WriteAllAt(targetFd_, block, std::size_t(n), at)) return false;
        at += n;
    }
    return ::ftruncate(targetFd_, size) == 0 && ::fsync(targetFd_) == 0;
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
    // A second name for the old file costs nothing and keeps it exactly, as long
    // as its content is only replaced by a rename. A file written over in place
    // would take its backup with it, so that one, and any file on a file system
    // without hard links, is copied.
    if (!rewrittenInPlace) {
        ::unlink(to.c_str());
        if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    }
    std::error_code ec;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace kv
