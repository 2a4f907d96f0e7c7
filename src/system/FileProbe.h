// What the difference check reads of the disk: whether a path exists and a file's directory
// entry (size and last-write time), never its contents. The check takes it as an interface so
// its rules can be tested on a file system described in memory.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

struct DirectoryEntry {
    int64_t lastWriteMs = 0;  // milliseconds since 1970-01-01 00:00 UTC
    uint32_t sizeLow = 0;     // low 32 bits of the size
};

class IFileProbe {
public:
    // True when the path's attributes can be read (a file or a folder).
    virtual bool Exists(const std::wstring& path) const = 0;
    // The directory entry found for the path; false when there is none.
    virtual bool Entry(const std::wstring& path, DirectoryEntry& entry) const = 0;

protected:
    ~IFileProbe() = default;
};

// The real file system.
const IFileProbe& SystemFileProbe();

}  // namespace sys
