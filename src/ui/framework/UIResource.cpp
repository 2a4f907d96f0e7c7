// Skin sources.
#include "ui/framework/UIResource.h"

#include <tinyxml.h>

#include <algorithm>

#include "config/ConfigDocument.h"
#include "config/ConfigFile.h"
#include "interface/Maker/ZipMemory.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace DuiLib {

namespace {

constexpr uint64_t kMaxItemSize = 64ull << 20;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// Archive names use "/", skins may write either separator; a leading separator means the root.
std::wstring ArchiveName(const std::wstring& name) {
    std::wstring result = name;
    std::replace(result.begin(), result.end(), L'\\', L'/');
    while (!result.empty() && result[0] == L'/') result.erase(0, 1);
    return result;
}

}  // namespace

CSkinResources& CSkinResources::Instance() {
    static CSkinResources resources;
    return resources;
}

void CSkinResources::Reset() {
    m_kind = UILIB_FILE;
    m_folder.clear();
    m_zip.clear();
    m_list.clear();
}

void CSkinResources::SetResourcePath(const std::wstring& folder) {
    m_folder = folder;
    if (!m_folder.empty() && m_folder.back() != L'\\' && m_folder.back() != L'/') m_folder += L'\\';
}

bool CSkinResources::SetResourceZip(const std::wstring& archiveName, const std::string& password) {
    // Password-protected archives are not used: the skins are not secret.
    (void)password;
    m_zip.clear();
    std::string bytes;
    if (config::ReadConfigFile(m_folder + archiveName, bytes) != config::ConfigFileRead::Ok) return false;
    m_zip.assign(bytes.begin(), bytes.end());
    return true;
}

bool CSkinResources::SetResourceZip(const void* data, size_t size) {
    m_zip.clear();
    if (!data || size == 0) return false;
    const auto* begin = static_cast<const uint8_t*>(data);
    m_zip.assign(begin, begin + size);
    return true;
}

bool CSkinResources::ReadFromZip(const std::wstring& name, std::string& bytes) const {
    if (m_zip.empty()) return false;
    pkg::ZipMemoryReader reader(m_zip.data(), m_zip.size());
    if (!reader.IsOpen()) return false;
    const std::string wanted = sys::WideToUtf8(ArchiveName(name));
    for (bool more = reader.First(); more; more = reader.Next()) {
        pkg::ZipItemInfo info;
        if (!reader.CurrentInfo(info) || !sys::EqualsNoCase(info.name, wanted)) continue;
        if (info.uncompressedSize > kMaxItemSize) return false;
        bytes.clear();
        bytes.reserve(static_cast<size_t>(info.uncompressedSize));
        return reader.ReadCurrent(kMaxItemSize, 65536, [&](const uint8_t* data, size_t size) {
            bytes.append(reinterpret_cast<const char*>(data), size);
            return true;
        });
    }
    return false;
}

bool CSkinResources::ReadFromFolder(const std::wstring& name, std::string& bytes) const {
    return config::ReadConfigFile(m_folder + name, bytes) == config::ConfigFileRead::Ok;
}

bool CSkinResources::ReadProgramResource(const std::wstring& name, const std::wstring& type,
                                         std::string& bytes) const {
    return m_programReader && m_programReader(name, type, bytes);
}

bool CSkinResources::ReadFile(const std::wstring& name, std::string& bytes) const {
    std::wstring path = name;
    std::wstring type = L"SKIN";
    auto listed = m_list.find(Lower(name));
    if (listed != m_list.end()) {
        path = listed->second.path;
        if (!listed->second.type.empty()) type = listed->second.type;
    }
    switch (m_kind) {
        case UILIB_ZIP:
        case UILIB_ZIPRESOURCE:
            return ReadFromZip(path, bytes);
        case UILIB_RESOURCE:
            return ReadProgramResource(path, type, bytes);
        case UILIB_FILE:
        default:
            return ReadFromFolder(path, bytes);
    }
}

bool CSkinResources::LoadResourceListText(const std::string& document) {
    TiXmlDocument doc;
    if (!config::ParseXmlBuffer(document, doc) || !doc.RootElement()) return false;
    for (const TiXmlElement* e = doc.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        const char* path = e->Attribute("path");
        if (!name || !path) continue;
        const char* type = e->Attribute("type");
        m_list[Lower(sys::Utf8ToWide(name))] = {sys::Utf8ToWide(path), type ? sys::Utf8ToWide(type) : L""};
    }
    return true;
}

bool CSkinResources::LoadResourceList(const std::wstring& name) {
    std::string bytes;
    if (!ReadFile(name, bytes)) return false;
    return LoadResourceListText(bytes);
}

}  // namespace DuiLib
