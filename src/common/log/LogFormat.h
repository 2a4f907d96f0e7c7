// printf-style formatting for log lines. Identical on every platform: "%S" and "%ls" take a wide
// string and write it as UTF-8 (the C run-times would convert through the current locale and lose
// or drop non-ASCII paths), "%n" writes nothing, and "I64" is accepted as a length.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace log4z {

// Writes at most size - 1 bytes and a terminator (size > 0); returns the bytes written.
size_t FormatLogText(char* buf, size_t size, const char* format, va_list args);
size_t FormatLogTextF(char* buf, size_t size, const char* format, ...);

}  // namespace log4z
