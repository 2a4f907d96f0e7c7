// The document is read twice: by the configuration reader, for the records' paths as the
// installer reads them, and by a scanner of start tags, for where each attribute's value lies in
// the bytes. Both must find the same records on the same lines, or nothing is rewritten.
#include "RecordStamp.h"

#include <algorithm>
#include <optional>

#include <tinyxml.h>

#include "config/ConfigDocument.h"
#include "config/FileTargets.h"
#include "system/TextRules.h"

namespace {

struct TagAttribute {
    std::string name;
    size_t valueBegin = 0, valueEnd = 0;  // between the quotes
};

struct RecordTag {
    int line = 0;
    size_t attributesEnd = 0;  // after the last attribute's closing quote, or after the name
    std::vector<TagAttribute> attributes;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The start tags of root/config/files/file elements (names without regard to case), in document
// order; nothing when the markup cannot be followed.
class RecordScanner {
public:
    explicit RecordScanner(const std::string& text) : m_text(text) {}

    std::optional<std::vector<RecordTag>> Scan() {
        std::vector<RecordTag> records;
        std::vector<std::string> open;
        size_t at = 0;
        while ((at = m_text.find('<', at)) != std::string::npos) {
            Advance(at);
            if (Starts(at, "<!--")) {
                if (!Skip(at, "-->")) return std::nullopt;
            } else if (Starts(at, "<![CDATA[")) {
                if (!Skip(at, "]]>")) return std::nullopt;
            } else if (Starts(at, "<?")) {
                if (!Skip(at, "?>")) return std::nullopt;
            } else if (Starts(at, "<!")) {
                const size_t bracket = m_text.find('[', at), close = m_text.find('>', at);
                if (!Skip(at, bracket < close ? "]>" : ">")) return std::nullopt;
            } else if (Starts(at, "</")) {
                if (open.empty() || !Skip(at, ">")) return std::nullopt;
                open.pop_back();
            } else {
                RecordTag tag;
                std::string name;
                bool selfClosing = false;
                if (!ReadStartTag(at, name, tag, selfClosing)) return std::nullopt;
                if (open.size() == 3 && sys::EqualsNoCase(open[1], "config") &&
                    sys::EqualsNoCase(open[2], "files") && sys::EqualsNoCase(name, "file")) {
                    records.push_back(std::move(tag));
                }
                if (!selfClosing) open.push_back(name);
            }
        }
        return records;
    }

private:
    bool Starts(size_t at, const char* prefix) const {
        return m_text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
    }

    // Counts the line ends up to position to.
    void Advance(size_t to) {
        m_line += static_cast<int>(std::count(m_text.begin() + static_cast<std::ptrdiff_t>(m_counted),
                                              m_text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
        m_counted = to;
    }

    bool Skip(size_t& at, const char* end) {
        const size_t found = m_text.find(end, at + 1);
        if (found == std::string::npos) return false;
        at = found + std::char_traits<char>::length(end);
        return true;
    }

    bool ReadStartTag(size_t& at, std::string& name, RecordTag& tag, bool& selfClosing) {
        tag.line = m_line;
        size_t i = at + 1;
        while (i < m_text.size() && !IsSpace(m_text[i]) && m_text[i] != '/' && m_text[i] != '>') ++i;
        name = m_text.substr(at + 1, i - at - 1);
        if (name.empty()) return false;
        tag.attributesEnd = i;
        for (;;) {
            while (i < m_text.size() && IsSpace(m_text[i])) ++i;
            if (i >= m_text.size()) return false;
            if (m_text[i] == '>' || m_text.compare(i, 2, "/>") == 0) {
                selfClosing = m_text[i] == '/';
                at = i + (selfClosing ? 2 : 1);
                Advance(at);
                return true;
            }
            TagAttribute attribute;
            const size_t nameBegin = i;
            while (i < m_text.size() && !IsSpace(m_text[i]) && m_text[i] != '=' && m_text[i] != '>') ++i;
            attribute.name = m_text.substr(nameBegin, i - nameBegin);
            while (i < m_text.size() && IsSpace(m_text[i])) ++i;
            if (i >= m_text.size() || m_text[i] != '=') return false;
            ++i;
            while (i < m_text.size() && IsSpace(m_text[i])) ++i;
            if (i >= m_text.size() || (m_text[i] != '"' && m_text[i] != '\'')) return false;
            const size_t close = m_text.find(m_text[i], i + 1);
            if (close == std::string::npos) return false;
            attribute.valueBegin = i + 1;
            attribute.valueEnd = close;
            i = close + 1;
            tag.attributesEnd = i;
            tag.attributes.push_back(std::move(attribute));
        }
    }

    const std::string& m_text;
    int m_line = 1;
    size_t m_counted = 0;
};

struct Edit {
    size_t at = 0;
    size_t erase = 0;
    std::string insert;
};

// The edits that give tag the values; false when it already has them all.
bool EditsFor(const std::string& text, const RecordTag& tag, const FileFacts& facts, bool withArchive,
              std::vector<Edit>& edits) {
    std::vector<std::pair<const char*, std::string>> wanted = {
        {"md5", facts.md5}, {"size", std::to_string(facts.size)}, {"time", std::to_string(facts.timeMs)}};
    if (withArchive) {
        wanted.push_back({"compressmd5", facts.compressMd5});
        wanted.push_back({"compressSize", std::to_string(facts.compressSize)});
    }
    bool changed = false;
    std::string added;
    for (const auto& [name, value] : wanted) {
        const auto present = std::find_if(tag.attributes.begin(), tag.attributes.end(),
                                          [&](const TagAttribute& a) { return a.name == name; });
        if (present == tag.attributes.end()) {
            if (withArchive && (std::string(name) == "compressmd5" || std::string(name) == "compressSize"))
                continue;
            added += std::string(" ") + name + "=\"" + value + "\"";
        } else if (text.compare(present->valueBegin, present->valueEnd - present->valueBegin, value) != 0) {
            edits.push_back({present->valueBegin, present->valueEnd - present->valueBegin, value});
            changed = true;
        }
    }
    if (!added.empty()) {
        edits.push_back({tag.attributesEnd, 0, added});
        changed = true;
    }
    return changed;
}

bool HasAttribute(const RecordTag& tag, const char* name) {
    return std::any_of(tag.attributes.begin(), tag.attributes.end(),
                       [&](const TagAttribute& a) { return a.name == name; });
}

}  // namespace

StampOutcome StampRecords(const std::string& document, const RecordFacts& factsOf) {
    StampOutcome outcome;
    TiXmlDocument doc;
    config::ParseConfigBuffer(document, doc);
    if (doc.Error() || !doc.RootElement()) {
        outcome.faults.push_back({doc.ErrorRow(), doc.Error() ? doc.ErrorDesc() : "no root element"});
        return outcome;
    }
    const std::vector<FileElement> elements = ReadFileElements(*doc.RootElement());
    const std::optional<std::vector<RecordTag>> tags = RecordScanner(document).Scan();
    bool same = tags && tags->size() == elements.size();
    for (size_t i = 0; same && i < elements.size(); ++i) same = (*tags)[i].line == elements[i].row;
    if (!same) {
        outcome.faults.push_back(
            {0, "the file records could not be located in the text; nothing was changed"});
        return outcome;
    }
    outcome.readable = true;
    outcome.records = elements.size();
    std::vector<Edit> edits;
    for (size_t i = 0; i < elements.size(); ++i) {
        const RecordTag& tag = (*tags)[i];
        const bool withArchive = HasAttribute(tag, "compressmd5") || HasAttribute(tag, "compressSize");
        FileFacts facts;
        std::string error;
        if (elements[i].path.empty()) {
            outcome.faults.push_back({tag.line, "file record without path"});
        } else if (!factsOf(elements[i].path, withArchive, facts, error)) {
            outcome.faults.push_back({tag.line, error});
        } else if (EditsFor(document, tag, facts, withArchive, edits)) {
            ++outcome.changed;
        }
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    outcome.text.reserve(document.size() + edits.size() * 16);
    size_t copied = 0;
    for (const Edit& edit : edits) {
        outcome.text.append(document, copied, edit.at - copied);
        outcome.text += edit.insert;
        copied = edit.at + edit.erase;
    }
    outcome.text.append(document, copied, std::string::npos);
    return outcome;
}
