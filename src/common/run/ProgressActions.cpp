// The status texts of the progress actions and the download's speed detail.
#include "common/run/ProgressActions.h"

#include <cwchar>

std::wstring GetActionText(int action) {
    switch (action) {
        case kActionInitialize:
            return L"正在初始化环境......";
        case kActionDependencies:
            return L"正在准备安装依赖.....";
        case kActionCheck:
            return L"正在检查环境......";
        case kActionUnpack:
            return L"正在释放安装包......";
        case kActionCollect:
            return L"正在收集安装信息......";
        case kActionParse:
            return L"正在解析安装包......";
        case kActionCreateFolder:
            return L"正在创建目录：";
        case kActionDownload:
            return L"正在下载文件：";
        case kActionCopy:
            return L"正在拷贝文件：";
        case kActionDelete:
            return L"正在删除文件：";
        case kActionRunComponent:
            return L"正在运行组件：";
        case kActionShortcut:
            return L"正在创建快捷方式：";
        case kActionRegister:
            return L"正在注册信息：";
        case kActionUninstallInfo:
            return L"正在生成卸载信息：";
        case kActionBlank:
            return L"";
        case kActionRegistry:
            return L"正在更新注册表：";
        case kActionStartService:
            return L"正在开启服务：";
        case kActionDeleteService:
            return L"正在删除服务：";
        case kActionExecuteAfterCopy:
        case kActionExecute21:
        case kActionExecuteRegister:
        case kActionExecute23:
            return L"正在执行：";
        case kActionUninstallRun:
            return L"正在卸载运行：";
        case kActionCleanUp:
            return L"正在清理：";
        case kActionComplete:
            return L"安装完成";
        case kActionInstalling:
            return L"正在安装Quilly... ...";
        default:
            return L"正在执行其它行为......";
    }
}

std::wstring DownloadSpeedText(double bytesPerSecond) {
    double value = bytesPerSecond;
    const wchar_t* unit = L"B";
    if (bytesPerSecond > 1048576) {
        value = bytesPerSecond / 1048576;
        unit = L"M";
    } else if (bytesPerSecond > 1024) {
        value = bytesPerSecond / 1024;
        unit = L"kB";
    }
    wchar_t text[100];
    std::swprintf(text, 100, L"，速度：%.2f%ls", value, unit);
    return text;
}
