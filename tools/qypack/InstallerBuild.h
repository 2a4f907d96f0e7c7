// Building an installer: the entries of both packages collected and checked, the product read
// and checked, its file records stamped in the copies that go into the packages, then the stub
// and the two packages written under a temporary name that becomes the output only when
// complete.
#pragma once

#include <string>
#include <vector>

struct BuildOptions {
    std::string stub, programBase, setupBase, output;  // the bases end with a separator
    std::string productFolder;                         // instead of the lists: a folder "qypack init" wrote
    std::vector<std::string> programLists, setupLists;
    unsigned kind = 1;
    unsigned jobs = 0;  // 0: one per processor
    bool quiet = false;
    bool check = true;  // false: a product with faults is packed all the same
};

int BuildInstaller(const BuildOptions& options);
