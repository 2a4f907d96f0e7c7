// The files below a folder, for the tool's commands that work from folders.
#pragma once

#include <string>
#include <vector>

// Regular files below folder (links are not followed), as relative names with "\" between
// their parts, sorted. False when folder is not a readable folder.
bool ListFolderFiles(const std::wstring& folder, std::vector<std::wstring>& files);
// The folder path joined with a relative name.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The folder the running tool's executable is in.
std::wstring ToolFolder();
