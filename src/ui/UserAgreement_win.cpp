// The user agreement page.
#include "ui/UserAgreement.h"

#include <windows.h>
#include <shellapi.h>

#define QY_WIDEN2(x) L##x
#define QY_WIDEN(x) QY_WIDEN2(x)

const wchar_t* UserAgreementAddress() {
    return L"http://" QY_WIDEN(QY_AGREEMENT_HOST) L"/help/servicesDetail.htm?articleId=56";
}

void OpenUserAgreement() {
    ::ShellExecuteW(nullptr, L"open", UserAgreementAddress(), nullptr, nullptr, SW_SHOWNORMAL);
}
