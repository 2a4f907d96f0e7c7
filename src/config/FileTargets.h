// The file table of a component file alone: where each packed file goes. The package reader
// uses it to rename the setup files it has just extracted; the packing tool reads its entry
// lists from it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

class TiXmlElement;

struct FileElement {
    std::string path;                    // UTF-8; empty when the attribute is missing
    std::optional<std::string> newpath;  // absent when the element has none (an empty one stays empty)
    int row = 0;                         // line in the document, for messages
};

// The file elements below root/config/files (element names without regard to case), in
// document order.
std::vector<FileElement> ReadFileElements(const TiXmlElement& root);

// path -> newpath (path itself when the element has no newpath; an empty newpath stays empty).
// A later entry with the same path wins. True when the file loaded and has a root element.
bool ReadFileTargets(const std::wstring& path, std::map<std::wstring, std::wstring>& targets);
