// A fresh folder under the system temporary folder, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    const std::string& path() const { return m_path; }
    std::vector<std::string> FilesBelow() const;  // relative paths of all files, sorted

private:
    std::string m_path;
};

std::string ReadWholeFile(const std::string& path);
