#include "config/ConfigReferences.h"

#include <cstring>

#include "config/ReferenceSources.h"

namespace config {

namespace {

bool StartsWith(const std::string& text, size_t pos, size_t end, const char* prefix) {
    size_t len = std::strlen(prefix);
    return end - pos >= len && text.compare(pos, len, prefix) == 0;
}

// Searches only text[pos, end): a search past the value would make expansion quadratic.
size_t FindIn(const std::string& text, char c, size_t pos, size_t end) {
    if (pos >= end) return std::string::npos;
    const void* found = std::memchr(text.data() + pos, c, end - pos);
    return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : std::string::npos;
}

size_t FindReference(const std::string& text, size_t pos, size_t end) {
    for (size_t amp = FindIn(text, '&', pos, end); amp != std::string::npos; amp = FindIn(text, '&', amp + 1, end)) {
        if (amp + 1 < end && text[amp + 1] == '!') return amp;
    }
    return std::string::npos;
}

// Whitespace as character references too: the parser condenses raw whitespace in element text.
void AppendEscaped(const std::string& value, std::string& out) {
    for (char c : value) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case ' ': out += "&#32;"; break;
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default: out += c;
        }
    }
}

// Expands the references of text[begin, end), one attribute value or one run of element text.
void ExpandValue(const std::string& text, size_t begin, size_t end, std::string& out) {
    size_t pos = begin;
    while (pos < end) {
        size_t amp = FindReference(text, pos, end);
        if (amp == std::string::npos) {
            out.append(text, pos, end - pos);
            return;
        }
        out.append(text, pos, amp - pos);
        pos = amp + 2;
        if (StartsWith(text, pos, end, "reg:")) {
            pos += 4;
            size_t comma = FindIn(text, ',', pos, end);
            if (comma == std::string::npos) continue;  // resumes after "reg:"
            size_t semicolon = FindIn(text, ';', comma + 1, end);
            if (semicolon == std::string::npos) {
                pos = comma + 1;
                continue;
            }
            AppendEscaped(ReadMachineString(text.substr(pos, comma - pos), text.substr(comma + 1, semicolon - comma - 1)),
                          out);
            pos = semicolon + 1;
        } else if (StartsWith(text, pos, end, "env:")) {
            pos += 4;
            size_t semicolon = FindIn(text, ';', pos, end);
            if (semicolon == std::string::npos) continue;
            AppendEscaped(ReadEnvironment(text.substr(pos, semicolon - pos)), out);
            pos = semicolon + 1;
        } else if (StartsWith(text, pos, end, "sh:")) {
            pos += 3;
            size_t semicolon = FindIn(text, ';', pos, end);
            if (semicolon != std::string::npos) pos = semicolon + 1;
        }
        // "&!" followed by anything else: both characters are dropped.
    }
}

// Copies text[pos, end of the marker) verbatim; returns the position after it.
size_t CopyThrough(const std::string& text, size_t pos, const char* marker, std::string& out) {
    size_t found = text.find(marker, pos);
    size_t end = found == std::string::npos ? text.size() : found + std::strlen(marker);
    out.append(text, pos, end - pos);
    return end;
}

}  // namespace

bool HasConfigReferences(const std::string& xml) { return xml.find("&!") != std::string::npos; }

std::string ExpandConfigReferences(const std::string& xml) {
    std::string out;
    out.reserve(xml.size() + xml.size() / 8);
    const size_t size = xml.size();
    size_t pos = 0;
    while (pos < size) {
        if (xml[pos] != '<') {
            size_t end = xml.find('<', pos);
            if (end == std::string::npos) end = size;
            ExpandValue(xml, pos, end, out);
            pos = end;
            continue;
        }
        if (StartsWith(xml, pos, size, "<!--")) {
            pos = CopyThrough(xml, pos, "-->", out);
        } else if (StartsWith(xml, pos, size, "<![CDATA[")) {
            pos = CopyThrough(xml, pos, "]]>", out);
        } else if (StartsWith(xml, pos, size, "<?")) {
            pos = CopyThrough(xml, pos, "?>", out);
        } else if (StartsWith(xml, pos, size, "<!")) {
            pos = CopyThrough(xml, pos, ">", out);
        } else {
            // A tag: only its quoted attribute values are expanded.
            out += '<';
            ++pos;
            while (pos < size && xml[pos] != '>' && xml[pos] != '<') {
                char c = xml[pos];
                if (c != '"' && c != '\'') {
                    out += c;
                    ++pos;
                    continue;
                }
                out += c;
                size_t close = xml.find(c, pos + 1);
                if (close == std::string::npos) close = size;
                ExpandValue(xml, pos + 1, close, out);
                pos = close;
                if (pos < size) {
                    out += c;
                    ++pos;
                }
            }
        }
    }
    return out;
}

}  // namespace config
