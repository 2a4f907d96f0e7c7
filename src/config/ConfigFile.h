// Reading a configuration file whole into memory, with the size limits of the configuration reader.
#pragma once

#include <cstdint>
#include <string>

namespace config {

constexpr uint64_t kMaxConfigFileSize = 10485760;  // 10 MiB

enum class ConfigFileRead {
    Ok,
    OpenFailed,  // missing, not readable
    BadSize,     // empty, or larger than kMaxConfigFileSize
};

// The file is opened sharing read and delete access, so a setup running from the folder does
// not block, and is not blocked by, another reader.
ConfigFileRead ReadConfigFile(const std::wstring& path, std::string& bytes);

}  // namespace config
