#include "config/ConfigListPieces.h"

#include <cstring>

#include "config/ConfigText.h"

namespace config {

namespace {

// A prefix this long is parsed again with every piece: such a document is left whole.
constexpr size_t kLongestPrefix = 64 * 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(char c) { return c != '\0' && !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<'; }

// Reads just enough XML to find element boundaries: start and end tags with quoted attribute
// values, comments and white space. Anything else (CDATA, processing instructions inside the
// root, unquoted values, text inside the list) makes it give up, and the document stays whole.
class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}
    size_t pos = 0;

    bool At(const char* s) const { return m_text.compare(pos, std::strlen(s), s) == 0; }
    bool SkipPast(const char* s) {
        const size_t found = m_text.find(s, pos);
        if (found == std::string::npos) return false;
        pos = found + std::strlen(s);
        return true;
    }
    bool SkipSpace() {
        while (pos < m_text.size() && IsSpace(m_text[pos])) ++pos;
        return pos < m_text.size();
    }

    // Before the root: white space, a byte-order mark, the declaration, comments.
    bool Prolog() {
        if (At("\xEF\xBB\xBF")) pos += 3;
        for (;;) {
            if (!SkipSpace()) return false;
            if (At("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (At("<!--")) {
                if (!SkipPast("-->")) return false;
            } else {
                return At("<") && !At("<!");
            }
        }
    }

    // At "<": the start tag's name, and whether it closes itself.
    bool StartTag(std::string& name, bool& empty) {
        ++pos;
        const size_t start = pos;
        while (pos < m_text.size() && IsNameChar(m_text[pos])) ++pos;
        if (pos == start) return false;
        name = m_text.substr(start, pos - start);
        for (;;) {
            if (!SkipSpace()) return false;
            if (m_text[pos] == '>') {
                ++pos;
                empty = false;
                return true;
            }
            if (At("/>")) {
                pos += 2;
                empty = true;
                return true;
            }
            const size_t attribute = pos;
            while (pos < m_text.size() && IsNameChar(m_text[pos])) ++pos;
            if (pos == attribute || !SkipSpace() || m_text[pos] != '=') return false;
            ++pos;
            if (!SkipSpace() || (m_text[pos] != '"' && m_text[pos] != '\'')) return false;
            const size_t end = m_text.find(m_text[pos], pos + 1);
            if (end == std::string::npos) return false;
            pos = end + 1;
        }
    }

    // At "</": true when it closes name exactly.
    bool EndTag(const std::string& name) {
        pos += 2;
        if (m_text.compare(pos, name.size(), name) != 0) return false;
        pos += name.size();
        return SkipSpace() && m_text[pos++] == '>';
    }

    enum class Node { Element, End, Other };
    // Moves to the next element or end tag in an element's content, over text and comments.
    // textAllowed: whether text other than white space may come first.
    bool Next(Node& node, bool textAllowed) {
        for (;;) {
            const size_t text = pos;
            while (pos < m_text.size() && m_text[pos] != '<') ++pos;
            if (pos >= m_text.size()) return false;
            if (!textAllowed) {
                for (size_t i = text; i < pos; ++i) {
                    if (!IsSpace(m_text[i])) return false;
                }
            }
            if (At("<!--")) {
                if (!SkipPast("-->")) return false;
                continue;
            }
            if (At("</")) {
                node = Node::End;
                return true;
            }
            if (At("<!") || At("<?")) return false;
            node = Node::Element;
            return true;
        }
    }

    // At "<": steps over the whole element.
    bool SkipElement() {
        std::string name;
        bool empty = false;
        if (!StartTag(name, empty)) return false;
        if (empty) return true;
        for (;;) {
            Node node;
            if (!Next(node, true)) return false;
            if (node == Node::End) return EndTag(name);
            if (!SkipElement()) return false;
        }
    }

    // In an element's content: to the first child element named like want (without regard to
    // case), past its start tag; false when there is none or the markup is not read.
    bool EnterChild(const char* want, std::string& name, bool& empty) {
        for (;;) {
            Node node;
            if (!Next(node, true) || node == Node::End) return false;
            const size_t start = pos;
            if (!StartTag(name, empty)) return false;
            if (EqualsNoCase(name, want)) return true;
            pos = start;
            if (!SkipElement()) return false;
        }
    }

private:
    const std::string& m_text;
};

}  // namespace

bool ConfigListPieces::Cut(const std::string& text) {
    m_text = &text;
    m_children.clear();
    Reader reader(text);
    std::string root, configName, list;
    bool empty = false;
    if (!reader.Prolog() || !reader.StartTag(root, empty) || empty) return false;
    if (!reader.EnterChild("Config", configName, empty) || empty) return false;
    if (!reader.EnterChild("Files", list, empty) || empty) return false;
    m_contentStart = reader.pos;
    if (m_contentStart > kLongestPrefix) return false;
    for (;;) {
        Reader::Node node;
        if (!reader.Next(node, false)) return false;
        if (node == Reader::Node::End) break;
        const size_t start = reader.pos;
        if (!reader.SkipElement()) return false;
        m_children.emplace_back(start, reader.pos);
    }
    m_contentEnd = reader.pos;
    if (!reader.EndTag(list) || m_children.size() < kLeastItems) {
        m_children.clear();
        return false;
    }
    m_closing = "</" + list + "></" + configName + "></" + root + ">";
    return true;
}

std::string ConfigListPieces::Skeleton() const {
    std::string skeleton;
    skeleton.reserve(m_contentStart + (m_text->size() - m_contentEnd));
    skeleton.append(*m_text, 0, m_contentStart).append(*m_text, m_contentEnd, std::string::npos);
    return skeleton;
}

std::string ConfigListPieces::Piece(size_t piece) const {
    const size_t first = piece * kItemsPerPiece;
    const size_t last = std::min(m_children.size(), first + kItemsPerPiece);
    std::string text;
    text.reserve(m_contentStart + (m_children[last - 1].second - m_children[first].first) + m_closing.size());
    text.append(*m_text, 0, m_contentStart);
    for (size_t i = first; i < last; ++i) {
        text.append(*m_text, m_children[i].first, m_children[i].second - m_children[i].first);
    }
    return text.append(m_closing);
}

}  // namespace config
