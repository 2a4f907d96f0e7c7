// A component file's file list read a few hundred items at a time. TinyXML builds the whole
// document in memory, about ten times the text, so a list of tens of thousands of files would
// cost the install tens of megabytes at once. Here the document is parsed without the children
// of its first Config/Files element (the skeleton), and those children are parsed in pieces:
// each piece is the document's text up to the list's start tag, some of its children, and the
// closing tags. A document whose shape the cut does not fully understand is left whole.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace config {

class ConfigListPieces {
public:
    // Items per piece.
    static constexpr size_t kItemsPerPiece = 256;
    // Lists shorter than this are not cut.
    static constexpr size_t kLeastItems = 1024;

    // Finds the list in text (kept by reference: it must outlive this object). False when the
    // document is to be parsed whole: no such list, a short one, or markup the cut does not read.
    bool Cut(const std::string& text);

    // The document without the list's children.
    std::string Skeleton() const;
    size_t PieceCount() const { return (m_children.size() + kItemsPerPiece - 1) / kItemsPerPiece; }
    size_t ItemCount() const { return m_children.size(); }
    // A whole document whose list holds the piece's children.
    std::string Piece(size_t piece) const;

private:
    const std::string* m_text = nullptr;
    size_t m_contentStart = 0;  // just after the list's start tag
    size_t m_contentEnd = 0;    // at the list's end tag
    std::vector<std::pair<size_t, size_t>> m_children;  // each child element's text
    std::string m_closing;  // the end tags of the list, its Config and the root
};

}  // namespace config
