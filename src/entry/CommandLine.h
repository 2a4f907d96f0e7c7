// The command-line grammar: mode words after "/", "-" or "@", a folder after ":", "norestart".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/run/OpePARAMEx.h"

// The pieces of a command line. Each piece points into the list's own copy of its text.
class CmdArgList {
public:
    // Appends the pieces of one text; returns the number of pieces held.
    size_t Split(const wchar_t* text);
    // 1-based index of the first piece that begins with word (case-insensitive), or 0.
    size_t Find(const wchar_t* word) const;
    // The characters after word in the first piece that begins with it, or null.
    const wchar_t* GetValue(const wchar_t* word) const;

    size_t Count() const { return m_pieces.size(); }
    const wchar_t* operator[](size_t index) const { return m_pieces[index]; }

private:
    std::vector<std::unique_ptr<wchar_t[]>> m_copies;
    std::vector<wchar_t*> m_pieces;
};

// Reads the registered install folder; returns 1 and the folder, or 0.
using InstallPathQuery = int (*)(std::wstring& folder);

// 0, or -2 (no command word), -3 (malformed argument after the word), -4 (empty install folder).
// The command line (without the program name) is cut in place.
int ParseCommandLine(wchar_t* commandLine, OpePARAMEx& record, InstallPathQuery queryInstallPath);
