// Command-line grammar. Tokens are cut at "/", "-" and "@"; each token is split at blanks, except
// that an unquoted folder under "...:\Program Files\" or "...:\Program Files (x86)\" keeps its first
// blank, so "/install:C:\Program Files (x86)\A" stays one piece.
#include "entry/CommandLine.h"

#include <cwchar>

#include "system/FileHelpers.h"
#include "system/TextRules.h"

namespace {

// The first count characters of text (which may be shorter) against a prefix of that length.
bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, size_t count) {
    return sys::StartsWithNoCase(std::wstring_view(text, std::wcslen(text)), std::wstring_view(prefix, count));
}

bool IsDelimiter(wchar_t c) { return c == L'/' || c == L'-' || c == L'@'; }

}  // namespace

size_t CmdArgList::Split(const wchar_t* text) {
    if (!text) return m_pieces.size();
    const size_t n = std::wcslen(text);
    m_copies.emplace_back(new wchar_t[n + 1]);
    wchar_t* buf = m_copies.back().get();
    std::wmemcpy(buf, text, n + 1);

    size_t i = 0;
    while (i < n) {
        while (i < n && buf[i] == L' ') ++i;
        if (i >= n) break;
        if (buf[i] == L'"') {
            const wchar_t* close = std::wcschr(buf + i + 1, L'"');
            if (close) {
                size_t end = static_cast<size_t>(close - buf);
                buf[end] = L'\0';
                m_pieces.push_back(buf + i + 1);
                i = end + 1;
                continue;
            }
        }
        const size_t start = i;
        const wchar_t* space = std::wcschr(buf + i, L' ');
        if (!space) {
            m_pieces.push_back(buf + start);
            break;
        }
        size_t cut = static_cast<size_t>(space - buf);
        size_t matched = 0;
        if (StartsWithNoCase(space, L" files\\", 7)) {
            matched = 7;
        } else if (StartsWithNoCase(space, L" files (x86)\\", 13)) {
            matched = 13;
        }
        if (matched && cut - start > 10 && StartsWithNoCase(buf + cut - 9, L":\\program", 9)) {
            const wchar_t* next = std::wcschr(buf + cut + matched, L' ');
            if (!next) {
                m_pieces.push_back(buf + start);
                break;
            }
            cut = static_cast<size_t>(next - buf);
        }
        buf[cut] = L'\0';
        m_pieces.push_back(buf + start);
        i = cut + 1;
    }
    return m_pieces.size();
}

size_t CmdArgList::Find(const wchar_t* word) const {
    const size_t len = std::wcslen(word);
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        if (StartsWithNoCase(m_pieces[i], word, len)) return i + 1;
    }
    return 0;
}

const wchar_t* CmdArgList::GetValue(const wchar_t* word) const {
    size_t index = Find(word);
    return index ? m_pieces[index - 1] + std::wcslen(word) : nullptr;
}

int ParseCommandLine(wchar_t* commandLine, OpePARAMEx& record, InstallPathQuery queryInstallPath) {
    record.m_InstallPath = OpePARAMEx::kDefaultInstallPath;
    if (!commandLine || !*commandLine) {
        record.m_Mode = OpePARAMEx::CMD_INSTALL;
        return 0;
    }

    CmdArgList args;
    for (wchar_t* p = commandLine; *p;) {
        while (*p && IsDelimiter(*p)) ++p;
        if (!*p) break;
        wchar_t* token = p;
        while (*p && !IsDelimiter(*p)) ++p;
        if (*p) *p++ = L'\0';
        args.Split(token);
    }

    static const struct {
        const wchar_t* word;
        int mode;
    } kWords[] = {
        {L"install", OpePARAMEx::CMD_INSTALL},       {L"uninstall", OpePARAMEx::CMD_UNINSTALL},
        {L"update", OpePARAMEx::CMD_UPDATE},         {L"silent", OpePARAMEx::CMD_SILENT},
        {L"unsilent", OpePARAMEx::CMD_UNSILENT},     {L"webinstall", OpePARAMEx::CMD_WEBINSTALL},
        {L"websilent", OpePARAMEx::CMD_WEBSILENT},
    };
    const wchar_t* word = nullptr;
    for (const auto& entry : kWords) {
        if (args.Find(entry.word)) {
            word = entry.word;
            record.m_Mode = entry.mode;
            record.m_Unattended = IsSilentMode(entry.mode);
            break;
        }
    }
    if (!word) return -2;

    auto registeredFolder = [&] {
        std::wstring folder;
        if (!queryInstallPath || !queryInstallPath(folder)) folder.clear();
        record.m_InstallPath = folder;
    };

    switch (record.m_Mode) {
        case OpePARAMEx::CMD_INSTALL:
        case OpePARAMEx::CMD_SILENT:
        case OpePARAMEx::CMD_WEBSILENT:
        case OpePARAMEx::CMD_WEBINSTALL: {
            const wchar_t* rest = args.GetValue(word);
            if (rest && *rest && *rest != L':') return -3;
            if (args.Find(L"norestart")) record.m_AllowRestart = 0;
            if (rest && *rest) {
                record.m_InstallPath = rest + 1;
                // A relative folder would become wherever the installer was started from, and
                // the uninstall would clean it.
                if (!record.m_InstallPath.empty() && !sys::IsAbsoluteFolderPath(record.m_InstallPath))
                    return -5;
            } else if (record.m_Mode == OpePARAMEx::CMD_WEBINSTALL) {
                record.m_InstallPath.clear();
            }
            break;
        }
        case OpePARAMEx::CMD_UNINSTALL:
        case OpePARAMEx::CMD_UNSILENT:
            registeredFolder();
            break;
        case OpePARAMEx::CMD_UPDATE:
            if (args.Find(L"norestart")) record.m_AllowRestart = 0;
            registeredFolder();
            break;
    }
    return record.m_InstallPath.empty() ? -4 : 0;
}
