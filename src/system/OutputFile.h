// A file written once, as the package reader writes what it extracts: made new, written, given its
// time through the handle that wrote it, and closed. No second open, no path lookup after the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sys {

class OutputFile {
public:
    // Create's result when something (a file, a folder, a link) already has the name.
    static constexpr int kExists = -1;

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the file: only a new one, or with replace an existing plain file is emptied (the caller
    // has made sure it is no link). 0, kExists, or the system error.
    int Create(const std::wstring& path, bool replace);
    bool Write(const void* data, size_t size);
    // Last-write time from milliseconds since 1970-01-01 00:00 UTC, cut to whole seconds, and
    // last-access time 1970-01-01 00:00 UTC. False for a time before 1970 (nothing is set).
    bool SetTimes(int64_t lastWriteMs);
    // False when the system reports that what was written did not reach the file.
    bool Close();

private:
#if defined(_WIN32)
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

}  // namespace sys
