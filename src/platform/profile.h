#pragma once
// Private-profile (INI) files with the Windows semantics the program's profile,
// filter.ini and .nls files rely on: sections and keys compare without case,
// lines the program does not touch are kept as they are, values are neither
// quoted nor escaped. Paths are local file-system paths (UTF-8). Only a regular
// file is read (a pipe or a device reads as a file that cannot be read, without
// waiting), and at most 16 MB of it.

#include "wintypes.h"

#include <cstdint>
#include <string>

// The signed decimal prefix of the value ("12abc" -> 12), or def when the file,
// section or key is missing.
UINT GetPrivateProfileIntA(const char* section, const char* key, int def, const char* path);

// Copies the value (surrounding blanks trimmed, one pair of enclosing quotes
// removed) or def into buf, cut to size-1 characters; returns the characters
// copied. A null section or key lists the section names or a section's keys,
// each zero-terminated, ended by an extra zero.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                               char* buf, DWORD size, const char* path);

// Sets key=value in section, creating the file, section and key as needed. A null
// value deletes the key; a null key deletes the section. Returns 0 on failure.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

namespace kv {
// Convenience for callers that want the whole value with no buffer limit.
std::string GetProfileString(const char* section, const char* key, const char* def,
                             const char* path);

// The calls above keep the files they read parsed in memory (the last few paths)
// and parse a file again only when it changed: each call compares the file's
// device, inode, size and modification and change times (to the nanosecond) with
// those the kept copy was read under, and while the change time is too recent
// for that to prove anything (a change within the same clock tick can leave them
// all as they were) the file's bytes are compared with the kept ones. Each change
// outside a batch rewrites the file.
//
// Where many keys are read or written together (the whole profile at start-up
// and at a passed close check), a batch on the path makes the calls on that exact
// path share the kept copy as it was at the batch's first call, without looking
// at the file again, and keep their changes in memory; Flush, or the end of the
// last batch open on the path, writes the file once, and only when something
// changed (through a temporary file, as a single call does). Batches on one path
// may nest. A file that could not be read is never written, in a batch or not.
class ProfileBatch {
public:
    explicit ProfileBatch(std::string path);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // Writes the changes gathered so far; false when they could not be written.
    bool Flush();

private:
    std::string path_;
};

// How many times this process has parsed the text of a profile file.
std::uint64_t ProfileParseCount();
}  // namespace kv
