#include "driver/ProgramFileSupply.h"

#include <algorithm>

#include "config/ConfigText.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

// Entry names and record paths use either separator; both compare alike.
wchar_t Separated(wchar_t c) { return c == L'/' ? L'\\' : c; }
bool NameBefore(std::wstring_view a, std::wstring_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return Separated(x) < Separated(y); });
}
bool SameName(std::wstring_view a, std::wstring_view b) { return !NameBefore(a, b) && !NameBefore(b, a); }
bool SameNameNoCase(std::wstring a, std::wstring b) {
    std::replace(a.begin(), a.end(), L'/', L'\\');
    std::replace(b.begin(), b.end(), L'/', L'\\');
    return sys::EqualsNoCase(a, b);
}

}  // namespace

ProgramFileSupply::ProgramFileSupply(const PackageRecord& program, const std::vector<FileItem>& files,
                                     const std::vector<std::wstring>& staged)
    : m_program(program), m_files(files), m_jobOfFile(files.size(), -1), m_leftOut(program.names.size(), false) {
    std::vector<uint32_t> byName(program.names.size());
    for (uint32_t i = 0; i < byName.size(); ++i) byName[i] = i;
    const auto& names = program.names;
    std::stable_sort(byName.begin(), byName.end(), [&](uint32_t a, uint32_t b) { return NameBefore(names[a], names[b]); });
    // Entries only skipped files come from (the same file is in place already) are not needed at
    // all; an entry a placed file also comes from gets its job from that one.
    for (size_t file = 0; file < files.size(); ++file) {
        const FileItem& item = files[file];
        const std::wstring path = sys::Utf8ToWide(std::string(AttrValue(item.attrs, "path")));
        if (!sys::StaysInside(path)) continue;
        if (std::any_of(staged.begin(), staged.end(), [&](const std::wstring& name) { return SameNameNoCase(name, path); })) {
            continue;
        }
        // Of entries sharing the name, the extraction left the last one's bytes: so does the copy.
        const auto first = std::lower_bound(byName.begin(), byName.end(), path,
                                            [&](uint32_t entry, const std::wstring& name) { return NameBefore(names[entry], name); });
        auto last = first;
        while (last != byName.end() && SameName(names[*last], path)) m_leftOut[*last++] = true;
        if (last == first || item.skip) continue;
        const uint32_t entry = *(last - 1);
        m_jobOfFile[file] = static_cast<int32_t>(m_jobs.size());
        m_jobs.push_back(entry);
    }
}

void ProgramFileSupply::Start(PackageReader& reader, const std::wstring& stagingFolder) {
    m_supply = std::make_unique<PackageFileSupply>(reader, m_program, std::move(m_jobs), stagingFolder);
}

int ProgramFileSupply::WriteFile(size_t file, const std::wstring& path) {
    if (!m_supply || file >= m_jobOfFile.size() || m_jobOfFile[file] < 0) return kNotSupplied;
    const std::string_view time = AttrValue(m_files[file].attrs, "time");
    const int written =
        m_supply->Write(static_cast<size_t>(m_jobOfFile[file]), path, time.empty() ? -1 : config::ParseInt64(time));
    switch (written) {
        case 0: return 0;
        case PackageFileSupply::kExists: return kExists;
        case PackageFileSupply::kStaged: return kNotSupplied;
        default: return written < 0 ? written : -1;
    }
}
