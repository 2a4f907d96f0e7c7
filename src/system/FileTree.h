// DeleteFolder's platform half: removes the tree without the protected-folder check.
#pragma once

#include <string>
#include <vector>

namespace sys {

void DeleteTree(const std::wstring& folder, const std::vector<std::wstring>& keep);

}  // namespace sys
