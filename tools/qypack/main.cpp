// Entry point of qypack: UTF-8 arguments on every platform.
#include <string>
#include <vector>

#include "PackTool.h"

#if defined(_WIN32)
#include "system/TextConv.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(sys::WideToUtf8(argv[i]));
    return RunPackTool(args);
}
#else
int main(int argc, char** argv) { return RunPackTool(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
