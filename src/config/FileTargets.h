// The file table of a component file alone: where each packed file goes. The package reader
// uses it to rename the setup files it has just extracted.
#pragma once

#include <map>
#include <string>

// path -> newpath (path itself when the element has no newpath; an empty newpath stays empty).
// A later entry with the same path wins. True when the file loaded and has a root element.
bool ReadFileTargets(const std::wstring& path, std::map<std::wstring, std::wstring>& targets);
