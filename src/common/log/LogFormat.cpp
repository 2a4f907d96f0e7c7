// One conversion at a time: each directive is parsed, its argument taken with the type its length
// modifier names, and the host snprintf formats that single value. Wide strings are converted here.
#include "common/log/LogFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "system/TextConv.h"

namespace log4z {

namespace {

enum class Length { None, hh, h, l, ll, j, z, t, L };

class Output {
public:
    Output(char* buf, size_t size) : m_buf(buf), m_cap(size ? size - 1 : 0) {
        if (size) m_buf[0] = '\0';
    }
    void Append(const char* text, size_t len) {
        size_t room = m_cap - m_len;
        if (len > room) len = room;
        std::memcpy(m_buf + m_len, text, len);
        m_len += len;
        m_buf[m_len] = '\0';
    }
    bool Full() const { return m_len >= m_cap; }
    size_t Length() const { return m_len; }

private:
    char* m_buf;
    size_t m_cap;
    size_t m_len = 0;
};

// A directive rebuilt from its parsed parts, with "*" values resolved.
struct Directive {
    char text[48];
    size_t len = 0;
    Directive(const std::string& flags, int width) {
        text[len++] = '%';
        for (char f : flags) Add(f);
        if (width >= 0) Number(width);
    }
    void Add(char c) {
        if (len + 1 < sizeof(text)) text[len++] = c, text[len] = '\0';
    }
    void Number(int value) {
        char digits[12];
        int n = std::snprintf(digits, sizeof(digits), "%d", value);
        for (int i = 0; i < n; ++i) Add(digits[i]);
    }
    void Precision(int precision) {
        if (precision >= 0) Add('.'), Number(precision);
    }
};

// Formats one value with a rebuilt directive.
template <typename T>
void AppendOne(Output& out, const char* directive, T value) {
    char small[512];
    int n = std::snprintf(small, sizeof(small), directive, value);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof(small)) {
        out.Append(small, static_cast<size_t>(n));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&big[0], big.size(), directive, value);
    out.Append(big.data(), static_cast<size_t>(n));
}

std::string WideText(const wchar_t* text, int precision) {
    if (!text) return "(null)";
    size_t len = std::wcslen(text);
    if (precision >= 0 && static_cast<size_t>(precision) < len) len = static_cast<size_t>(precision);
    return sys::WideToUtf8(std::wstring(text, len));
}

}  // namespace

size_t FormatLogText(char* buf, size_t size, const char* format, va_list args) {
    Output out(buf, size);
    if (!format || size == 0) return 0;
    va_list ap;
    va_copy(ap, args);
    const char* p = format;
    while (*p && !out.Full()) {
        if (*p != '%') {
            const char* next = std::strchr(p, '%');
            size_t len = next ? static_cast<size_t>(next - p) : std::strlen(p);
            out.Append(p, len);
            p += len;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out.Append("%", 1);
            ++p;
            continue;
        }
        std::string flags;
        while (*p && std::strchr("-+ #0", *p)) flags += *p++;
        int width = -1;
        if (*p == '*') {
            width = va_arg(ap, int);
            ++p;
            if (width < 0) flags += '-', width = -width;
        } else {
            while (*p >= '0' && *p <= '9') width = (width < 0 ? 0 : width * 10) + (*p++ - '0');
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                precision = va_arg(ap, int);
                ++p;
            } else {
                precision = 0;
                while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
            }
        }
        Length length = Length::None;
        bool wide = false;  // "w" (MS) or "l" on c/s
        bool narrowForced = false;  // "h" on S/C (MS)
        if (*p == 'h') {
            ++p;
            length = Length::h;
            narrowForced = true;
            if (*p == 'h') ++p, length = Length::hh;
        } else if (*p == 'l') {
            ++p;
            length = Length::l;
            wide = true;
            if (*p == 'l') ++p, length = Length::ll, wide = false;
        } else if (*p == 'q' || *p == 'L') {
            length = *p == 'q' ? Length::ll : Length::L;
            ++p;
        } else if (*p == 'j' || *p == 'z' || *p == 't') {
            length = *p == 'j' ? Length::j : (*p == 'z' ? Length::z : Length::t);
            ++p;
        } else if (*p == 'w') {
            wide = true;
            ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            length = Length::ll, p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            p += 3;
        } else if (*p == 'I') {
            length = Length::z, ++p;
        }
        const char conv = *p;
        if (!conv) {
            out.Append(start, static_cast<size_t>(p - start));
            break;
        }
        ++p;

        const bool plain = flags.empty() && width < 0 && precision < 0;
        // Fast paths for the common directives; everything else goes through snprintf.
        if (plain && (conv == 's' || conv == 'S') && !wide && (conv == 's' || narrowForced)) {
            const char* s = va_arg(ap, const char*);
            if (!s) s = "(null)";
            out.Append(s, std::strlen(s));
            continue;
        }
        if (plain && (conv == 'd' || conv == 'i' || conv == 'u') && length == Length::None) {
            char digits[16];
            char* end = digits + sizeof(digits);
            char* q = end;
            if (conv == 'u') {
                unsigned v = va_arg(ap, unsigned);
                do *--q = static_cast<char>('0' + v % 10); while (v /= 10);
            } else {
                int v = va_arg(ap, int);
                unsigned magnitude = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
                do *--q = static_cast<char>('0' + magnitude % 10); while (magnitude /= 10);
                if (v < 0) *--q = '-';
            }
            out.Append(q, static_cast<size_t>(end - q));
            continue;
        }

        Directive d(flags, width);
        auto integer = [&](bool isSigned) {
            d.Precision(precision);
            switch (length) {
                case Length::hh:
                case Length::h:
                case Length::None:
                    d.Add(conv);
                    if (isSigned) AppendOne(out, d.text, va_arg(ap, int));
                    else AppendOne(out, d.text, va_arg(ap, unsigned));
                    break;
                case Length::l:
                    d.Add('l'), d.Add(conv);
                    if (isSigned) AppendOne(out, d.text, va_arg(ap, long));
                    else AppendOne(out, d.text, va_arg(ap, unsigned long));
                    break;
                default: {
                    d.Add('l'), d.Add('l'), d.Add(conv);
                    long long sv = 0;
                    unsigned long long uv = 0;
                    if (length == Length::ll) {
                        if (isSigned) sv = va_arg(ap, long long);
                        else uv = va_arg(ap, unsigned long long);
                    } else if (length == Length::j) {
                        if (isSigned) sv = va_arg(ap, intmax_t);
                        else uv = static_cast<unsigned long long>(va_arg(ap, uintmax_t));
                    } else if (length == Length::z) {
                        if (isSigned) sv = static_cast<long long>(va_arg(ap, size_t));
                        else uv = va_arg(ap, size_t);
                    } else {
                        if (isSigned) sv = va_arg(ap, ptrdiff_t);
                        else uv = static_cast<unsigned long long>(va_arg(ap, ptrdiff_t));
                    }
                    if (isSigned) AppendOne(out, d.text, sv);
                    else AppendOne(out, d.text, uv);
                }
            }
        };
        switch (conv) {
            case 'd':
            case 'i': integer(true); break;
            case 'o':
            case 'u':
            case 'x':
            case 'X': integer(false); break;
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                d.Precision(precision);
                if (length == Length::L) {
                    d.Add('L'), d.Add(conv);
                    AppendOne(out, d.text, va_arg(ap, long double));
                } else {
                    d.Add(conv);
                    AppendOne(out, d.text, va_arg(ap, double));
                }
                break;
            case 'c':
            case 'C':
                if ((conv == 'c' && wide) || (conv == 'C' && !narrowForced)) {
                    // wint_t may be narrower than int and is promoted through "...".
                    wchar_t ch[2] = {static_cast<wchar_t>(va_arg(ap, int)), 0};
                    d.Add('s');
                    AppendOne(out, d.text, sys::WideToUtf8(ch).c_str());
                } else {
                    d.Add('c');
                    AppendOne(out, d.text, va_arg(ap, int));
                }
                break;
            case 's':
            case 'S':
                if ((conv == 's' && wide) || (conv == 'S' && !narrowForced)) {
                    // The precision counts characters of the wide text, not bytes of its UTF-8.
                    std::string text = WideText(va_arg(ap, const wchar_t*), precision);
                    d.Add('s');
                    AppendOne(out, d.text, text.c_str());
                } else {
                    const char* s = va_arg(ap, const char*);
                    d.Precision(precision);
                    d.Add('s');
                    AppendOne(out, d.text, s ? s : "(null)");
                }
                break;
            case 'p':
                d.Add('p');
                AppendOne(out, d.text, va_arg(ap, void*));
                break;
            case 'n': (void)va_arg(ap, void*); break;
            default:
                // Unknown directive: copied as it stands, no argument taken.
                out.Append(start, static_cast<size_t>(p - start));
        }
    }
    va_end(ap);
    return out.Length();
}

size_t FormatLogTextF(char* buf, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = FormatLogText(buf, size, format, args);
    va_end(args);
    return n;
}

}  // namespace log4z
