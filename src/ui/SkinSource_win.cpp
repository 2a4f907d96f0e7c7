// The skin source of the run.
#include "ui/SkinSource.h"

#include "ui/framework/PaintManagerUI.h"
#include "ui/framework/UIResource.h"

using namespace DuiLib;

namespace {

const wchar_t kSkinArchive[] = L"PackageManager.zip";
const wchar_t kResourceList[] = L"res.xml";
const wchar_t kLocalSkinFolder[] = L"skin\\InstallWnd\\";

std::wstring SkinFolder(const OpePARAMEx& record) {
    if (!record.m_SkinDir.empty()) return record.m_SkinDir;
    // Init names no skin folder for the web-install modes: theirs is in the working folder.
    const bool web = ProcedureOf(record.m_Mode) == ModeProcedure::kWebInstall;
    if (web && !record.m_TempDir.empty()) return ModeSkinFolder(record);
    return std::wstring();
}

}  // namespace

void LoadSkin(const OpePARAMEx& record) {
    CUIProcess::SetResourceType(UILIB_ZIP);
    switch (CUIProcess::GetResourceType()) {
        case UILIB_ZIP:
            CUIProcess::SetResourcePath(SkinFolder(record).c_str());
            CUIProcess::SetResourceZip(kSkinArchive, true);
            CUIProcess::LoadResourceList(kResourceList);
            break;
        case UILIB_FILE:
            CUIProcess::SetResourcePath(kLocalSkinFolder);
            CUIProcess::LoadResourceList(kResourceList);
            break;
        case UILIB_RESOURCE: {
            CUIProcess::SetResourcePath(kLocalSkinFolder);
            std::string list;
            if (CSkinResources::Instance().ReadProgramResource(L"IDR_RES", L"xml", list)) {
                CSkinResources::Instance().LoadResourceListText(list);
            }
            break;
        }
        case UILIB_ZIPRESOURCE: {
            CUIProcess::SetResourcePath(kLocalSkinFolder);
            std::string archive;
            if (CSkinResources::Instance().ReadProgramResource(L"IDR_ZIPRES", L"ZIPRES", archive) &&
                CUIProcess::SetResourceZip(archive.data(), static_cast<unsigned>(archive.size()))) {
                CUIProcess::LoadResourceList(kResourceList);
            }
            break;
        }
        default:
            break;
    }
}

bool SkinHolds(const std::wstring& file) {
    std::string bytes;
    return CSkinResources::Instance().ReadFile(file, bytes);
}
