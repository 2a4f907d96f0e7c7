#include "ui/ProgressRules.h"

#include <cwchar>

std::wstring GetActionText(int action) {
    switch (action) {
        case 1: return L"正在初始化环境......";
        case 2: return L"正在准备安装依赖.....";
        case 3: return L"正在检查环境......";
        case 4: return L"正在释放安装包......";
        case 5: return L"正在收集安装信息......";
        case 6: return L"正在解析安装包......";
        case 7: return L"正在创建目录：";
        case 8: return L"正在下载文件：";
        case 9: return L"正在拷贝文件：";
        case 10: return L"正在删除文件：";
        case 11: return L"正在运行组件：";
        case 12: return L"正在创建快捷方式：";
        case 13: return L"正在注册信息：";
        case 14: return L"正在生成卸载信息：";
        case 16: return L"";
        case 17: return L"正在更新注册表：";
        case 18: return L"正在开启服务：";
        case 19: return L"正在删除服务：";
        case 20:
        case 21:
        case 22:
        case 23: return L"正在执行：";
        case 24: return L"正在卸载运行：";
        case 25: return L"正在清理：";
        case 26: return L"安装完成";
        case 29: return L"正在安装Quilly... ...";
        default: return L"正在执行其它行为......";
    }
}

int StepPercentage(int running, int action, int increment) {
    // Widened, so that no sum of reports can overflow.
    const long long sum = static_cast<long long>(running) + increment;
    if (action == kActionComplete) return 100;
    return sum >= 100 ? 99 : static_cast<int>(sum);
}

int ProgressPercentage(int running, int position, int total, int share) {
    if (total == 0 || share == 0) return running;
    const long long chunk = static_cast<long long>(total) / share + static_cast<long long>(total) % share;
    if (chunk == 0) return running;
    long long shown = running + position / chunk + (position % chunk != 0 ? 1 : 0);
    return shown >= 100 ? 99 : static_cast<int>(shown);
}

std::wstring PercentText(int percent) { return std::to_wstring(percent) + L"%"; }

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
