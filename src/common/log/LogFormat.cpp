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

// One directive as written: flags, width and precision ("*" already taken from the arguments),
// length modifier and conversion.
struct Spec {
    const char* start = nullptr;  // the "%"
    std::string flags;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    bool wide = false;          // "w" (MS) or "l" on c/s
    bool narrowForced = false;  // "h" on S/C (MS)
    char conv = 0;

    bool Plain() const { return flags.empty() && width < 0 && precision < 0; }
    bool WideString() const { return (conv == 's' && wide) || (conv == 'S' && !narrowForced); }
    bool WideChar() const { return (conv == 'c' && wide) || (conv == 'C' && !narrowForced); }
};

// The length modifier at p, MS forms included; p moves past it.
void ParseLength(const char*& p, Spec& spec) {
    if (*p == 'h') {
        ++p;
        spec.length = Length::h;
        spec.narrowForced = true;
        if (*p == 'h') ++p, spec.length = Length::hh;
    } else if (*p == 'l') {
        ++p;
        spec.length = Length::l;
        spec.wide = true;
        if (*p == 'l') ++p, spec.length = Length::ll, spec.wide = false;
    } else if (*p == 'q' || *p == 'L') {
        spec.length = *p == 'q' ? Length::ll : Length::L;
        ++p;
    } else if (*p == 'j' || *p == 'z' || *p == 't') {
        spec.length = *p == 'j' ? Length::j : (*p == 'z' ? Length::z : Length::t);
        ++p;
    } else if (*p == 'w') {
        spec.wide = true;
        ++p;
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        spec.length = Length::ll, p += 3;
    } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
        p += 3;
    } else if (*p == 'I') {
        spec.length = Length::z, ++p;
    }
}

// The directive after the "%" at start; p moves past it. False when the format ends inside it.
bool ParseDirective(const char* start, const char*& p, va_list& ap, Spec& spec) {
    spec.start = start;
    while (*p && std::strchr("-+ #0", *p)) spec.flags += *p++;
    if (*p == '*') {
        spec.width = va_arg(ap, int);
        ++p;
        if (spec.width < 0) spec.flags += '-', spec.width = -spec.width;
    } else {
        while (*p >= '0' && *p <= '9') spec.width = (spec.width < 0 ? 0 : spec.width * 10) + (*p++ - '0');
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') {
            spec.precision = va_arg(ap, int);
            ++p;
        } else {
            spec.precision = 0;
            while (*p >= '0' && *p <= '9') spec.precision = spec.precision * 10 + (*p++ - '0');
        }
    }
    ParseLength(p, spec);
    spec.conv = *p;
    if (!spec.conv) return false;
    ++p;
    return true;
}

// The common directives without snprintf: a plain narrow string, a plain int or unsigned.
bool AppendFast(Output& out, const Spec& spec, va_list& ap) {
    if (!spec.Plain()) return false;
    if ((spec.conv == 's' || spec.conv == 'S') && !spec.wide && (spec.conv == 's' || spec.narrowForced)) {
        const char* s = va_arg(ap, const char*);
        if (!s) s = "(null)";
        out.Append(s, std::strlen(s));
        return true;
    }
    if ((spec.conv == 'd' || spec.conv == 'i' || spec.conv == 'u') && spec.length == Length::None) {
        char digits[16];
        char* end = digits + sizeof(digits);
        char* q = end;
        if (spec.conv == 'u') {
            unsigned v = va_arg(ap, unsigned);
            do *--q = static_cast<char>('0' + v % 10);
            while (v /= 10);
        } else {
            int v = va_arg(ap, int);
            unsigned magnitude = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
            do *--q = static_cast<char>('0' + magnitude % 10);
            while (magnitude /= 10);
            if (v < 0) *--q = '-';
        }
        out.Append(q, static_cast<size_t>(end - q));
        return true;
    }
    return false;
}

// An integer conversion, its argument taken with the type the length modifier names.
void AppendInteger(Output& out, const Spec& spec, bool isSigned, va_list& ap) {
    Directive d(spec.flags, spec.width);
    d.Precision(spec.precision);
    switch (spec.length) {
        case Length::hh:
        case Length::h:
        case Length::None:
            d.Add(spec.conv);
            if (isSigned)
                AppendOne(out, d.text, va_arg(ap, int));
            else
                AppendOne(out, d.text, va_arg(ap, unsigned));
            return;
        case Length::l:
            d.Add('l'), d.Add(spec.conv);
            if (isSigned)
                AppendOne(out, d.text, va_arg(ap, long));
            else
                AppendOne(out, d.text, va_arg(ap, unsigned long));
            return;
        default:
            break;
    }
    d.Add('l'), d.Add('l'), d.Add(spec.conv);
    long long sv = 0;
    unsigned long long uv = 0;
    if (spec.length == Length::ll) {
        if (isSigned)
            sv = va_arg(ap, long long);
        else
            uv = va_arg(ap, unsigned long long);
    } else if (spec.length == Length::j) {
        if (isSigned)
            sv = va_arg(ap, intmax_t);
        else
            uv = static_cast<unsigned long long>(va_arg(ap, uintmax_t));
    } else if (spec.length == Length::z) {
        if (isSigned)
            sv = static_cast<long long>(va_arg(ap, size_t));
        else
            uv = va_arg(ap, size_t);
    } else {
        if (isSigned)
            sv = va_arg(ap, ptrdiff_t);
        else
            uv = static_cast<unsigned long long>(va_arg(ap, ptrdiff_t));
    }
    if (isSigned)
        AppendOne(out, d.text, sv);
    else
        AppendOne(out, d.text, uv);
}

// Any other conversion through snprintf; an unknown one is copied as it stands, no argument taken.
void AppendConversion(Output& out, const Spec& spec, const char* end, va_list& ap) {
    Directive d(spec.flags, spec.width);
    switch (spec.conv) {
        case 'd':
        case 'i':
            AppendInteger(out, spec, true, ap);
            break;
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            AppendInteger(out, spec, false, ap);
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            d.Precision(spec.precision);
            if (spec.length == Length::L) {
                d.Add('L'), d.Add(spec.conv);
                AppendOne(out, d.text, va_arg(ap, long double));
            } else {
                d.Add(spec.conv);
                AppendOne(out, d.text, va_arg(ap, double));
            }
            break;
        case 'c':
        case 'C':
            if (spec.WideChar()) {
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
            if (spec.WideString()) {
                // The precision counts characters of the wide text, not bytes of its UTF-8.
                std::string text = WideText(va_arg(ap, const wchar_t*), spec.precision);
                d.Add('s');
                AppendOne(out, d.text, text.c_str());
            } else {
                const char* s = va_arg(ap, const char*);
                d.Precision(spec.precision);
                d.Add('s');
                AppendOne(out, d.text, s ? s : "(null)");
            }
            break;
        case 'p':
            d.Add('p');
            AppendOne(out, d.text, va_arg(ap, void*));
            break;
        case 'n':
            (void)va_arg(ap, void*);
            break;
        default:
            out.Append(spec.start, static_cast<size_t>(end - spec.start));
    }
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
        Spec spec;
        if (!ParseDirective(start, p, ap, spec)) {
            out.Append(start, static_cast<size_t>(p - start));
            break;
        }
        if (!AppendFast(out, spec, ap)) AppendConversion(out, spec, p, ap);
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
