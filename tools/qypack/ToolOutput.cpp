#include "ToolOutput.h"

#include "system/TextConv.h"
#if !defined(_WIN32)
#include "system/NativePath.h"
#endif

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

int Fail(int code, const std::string& message) {
    std::fflush(stdout);  // what was said before comes first
    std::fprintf(stderr, "qypack: error: %s\n", message.c_str());
    return code;
}

void ReportAt(const std::string& place, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: error: %s\n", place.c_str(), message.c_str());
}

std::string ShownPath(const std::wstring& path) {
#if defined(_WIN32)
    return sys::WideToUtf8(path);
#else
    return sys::NativePath(path);
#endif
}

bool IsTerminal(FILE* stream) {
#if defined(_WIN32)
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}
