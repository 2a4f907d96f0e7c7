#include "TestFolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TestFolder::TestFolder() {
    std::string pattern = (fs::temp_directory_path() / "qytest-XXXXXX").string();
    char* made = ::mkdtemp(&pattern[0]);
    m_path = made ? made : pattern;
}

TestFolder::~TestFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<std::string> TestFolder::FilesBelow() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(m_path)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), m_path).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
