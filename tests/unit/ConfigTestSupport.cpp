#include "ConfigTestSupport.h"

#include <filesystem>
#include <fstream>

#include "system/NativePath.h"

std::wstring WriteConfigFile(const TestFolder& folder, const std::string& relative, const std::string& bytes) {
    std::filesystem::path path = std::filesystem::path(folder.path()) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return sys::WidePath(path.string());
}

std::wstring ProgramPath(const std::string& hostPath) { return sys::WidePath(hostPath); }

std::wstring SampleRoot() { return sys::WidePath(QY_SAMPLES_DIR "/"); }

std::string Shown(std::string hostPath) {
    for (char& c : hostPath) {
        if (c == '/') c = '\\';
    }
    return hostPath;
}
