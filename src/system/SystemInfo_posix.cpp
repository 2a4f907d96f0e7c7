// POSIX system record: the kernel release and machine from uname, no Windows locale.
#include "system/SystemInfo.h"

#include <sys/utsname.h>

#include <cstdio>
#include <string>

#include "system/TextConv.h"

namespace sys {

const SystemInfo& GetSystemInfo() {
    static const SystemInfo info = [] {
        SystemInfo built;
        utsname name = {};
        if (::uname(&name) == 0) {
            std::sscanf(name.release, "%d.%d", &built.major, &built.minor);
            std::string machine = name.machine;
            built.archText = machine == "x86_64" ? L"x64" : (machine == "i686" || machine == "i386") ? L"x86"
                                                                                                     : L"unknown";
        } else {
            built.archText = L"unknown";
        }
        built.versionText = std::to_wstring(built.major) + L"." + std::to_wstring(built.minor);
        return built;
    }();
    return info;
}

// No privilege to enable for a POSIX process.
int EnableDebugPrivilege() { return 0; }

}  // namespace sys
