// The product file reader. Unknown elements are skipped: the file carries more than the
// installer reads.
#include "config/ProductConfigReader.h"

#include "config/ConfigDocument.h"
#include "config/ConfigXml.h"
#include "config/ProductConfig.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"

using config::AttrText;
using config::ElementIs;
using config::ForEachChildElement;

namespace {

std::wstring WideAttr(const TiXmlElement* element, const char* name) {
    return sys::Utf8ToWide(AttrText(element, name));
}

void ReadCommon(const TiXmlElement* common, CProductConfig& target) {
    target.m_ProductID |= config::ParseInt32(AttrText(common, "ProductID"));
    target.m_ProductOS = config::ParseInt32(AttrText(common, "ProductOS"));
    target.m_ProductType = WideAttr(common, "ProductType");
    target.m_ProductRunMode = config::ParseInt32(AttrText(common, "ProductRunMode"));
    target.m_ProductVer = WideAttr(common, "ProductVer");
    target.m_ProductVer2 = WideAttr(common, "ProductVer2");
    target.m_SysVersion = WideAttr(common, "SysVersion");
}

void ReadProductInfo(const TiXmlElement* info, CProductConfig& target) {
    ForEachChildElement(info, [&](const TiXmlElement* child) {
        if (ElementIs(child, "common")) {
            ReadCommon(child, target);
        } else if (ElementIs(child, "components")) {
            ForEachChildElement(child, [&](const TiXmlElement* component) {
                ComponentRef ref;
                ref.name = WideAttr(component, "name");
                ref.config = WideAttr(component, "config");
                ref.enabled = 1;
                target.m_Components.push_back(std::move(ref));
            });
        }
    });
}

}  // namespace

bool ParseProductConfig(const std::wstring& path, CProductConfig& target, IInstallUIPromptEx* sink) {
    TiXmlDocument doc;
    if (!config::LoadConfigDocument(path, doc)) return false;
    const TiXmlElement* root = doc.RootElement();
    if (!root) return false;

    const std::string type = AttrText(root, "type");
    if (type.empty() && sink) sink->OnConfigError("Attribute Value Is Null [type=\"\"]");
    if (config::EqualsNoCase(type, "offline")) {
        target.m_PackageType = kPackageOffline;
    } else if (config::EqualsNoCase(type, "web")) {
        target.m_PackageType = kPackageWeb;
    }
    target.m_Version = WideAttr(root, "version");

    ForEachChildElement(root, [&](const TiXmlElement* child) {
        if (ElementIs(child, "productinfo")) {
            ReadProductInfo(child, target);
        } else if (ElementIs(child, "installinfo")) {
            target.m_InstallInfoPath = WideAttr(child, "Path");
            target.m_RegKey = WideAttr(child, "RegKey");
            target.m_Name0804 = WideAttr(child, "Name_0804");
            target.m_Name0404 = WideAttr(child, "Name_0404");
            target.m_Name0409 = WideAttr(child, "Name_0409");
        } else if (ElementIs(child, "extramodule")) {
            target.m_ExtraModulePath = WideAttr(child, "Path");
        } else if (ElementIs(child, "SetupInfo")) {
            target.m_SetupConfig = WideAttr(child, "config");
        }
    });
    return true;
}
