#include "net/UpdateProtocol.h"

#include <vector>

#include "common/log/log4z.h"
#include "net/HttpClient.h"
#include "net/UpdateServer.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"

namespace {

constexpr char kLogSource[] = "QYPM";

std::vector<std::wstring> Tokens(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> tokens;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos) end = text.size();
        // The tokenizer skips empty tokens, as wcstok does.
        if (end > start) tokens.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}

}  // namespace

int ParseFileName(const std::wstring& programPath, InstallerNameInfo& info) {
    size_t slash = programPath.rfind(L'\\');
    if (slash == std::wstring::npos) slash = programPath.rfind(L'/');
    const std::wstring name = slash == std::wstring::npos ? programPath : programPath.substr(slash + 1);
    const std::vector<std::wstring> tokens = Tokens(name, L'#');
    if (tokens.empty()) return -2;
    info.product = sys::WideToUtf8(tokens[0]);
    if (tokens.size() < 2) return -3;
    info.channel = sys::WideToUtf8(tokens[1]);
    if (tokens.size() >= 3) {
        const wchar_t first = tokens[2][0];
        const int value = first >= L'0' && first <= L'9' ? first - L'0' : 0;
        info.type = value == 0 ? 2 : value;
    }
    info.ver = 1;
    return 0;
}

std::string SearchAddress(const InstallerNameInfo& info) {
    return SearchUrl() + "?channel=" + EncodeQueryValue(info.channel) +
           "&product=" + EncodeQueryValue(info.product) + "&ver=" + std::to_string(info.ver) +
           "&type=" + std::to_string(info.type);
}

int GetDownloadUrl(const std::wstring& programPath, PackageInfo& package) {
    InstallerNameInfo name;
    if (ParseFileName(programPath, name) != 0) {
        QYLOG_ERROR("GetDownloadUrl, ParseFileName fail");
        return -1;
    }
    const std::string address = SearchAddress(name);
    QYLOG_INFO("GetDownloadUrl, downloadurl %s", address.c_str());
    std::string body;
    // A failed try's error page or a cut-off body is never read as an answer.
    const int sent = HttpGetRequest(address, body);
    if (sent != kHttpOk || body.empty()) {
        QYLOG_ERROR("GetDownloadUrl, HttpGetRequest fail, nret %d", sent);
        return -2;
    }
    return ParseSearchAnswer(body, address, package);
}

int GetTypeList(IInstallUIPromptEx* prompt) {
    std::string body;
    const int sent = HttpGetRequest(TypeListUrl(), body);
    if (sent != kHttpOk || body.empty()) {
        QYLOG_ERROR("GetDownloadUrl, HttpPostRequest fail, nret %d", sent);
        return -2;
    }
    if (prompt) prompt->NotifyUpdateWnd(body);
    return 0;
}

void CommitInfo(const std::wstring& answer) {
    if (answer.empty()) return;
    std::string body;
    const std::string address = ConfirmFormUrl();
    const int sent = HttpPostRequest(sys::WideToUtf8(answer), body);
    if (sent != 0) {
        QYLOG_ERROR("CommitInfo, HttpPostRequest fail, url %s, nRet: %d", address.c_str(), sent);
        return;
    }
    ParseConfirmAnswer(body, address);
}
