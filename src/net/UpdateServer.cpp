#include "net/UpdateServer.h"

#include <cstdlib>

#ifdef _WIN32
#include "system/Authenticode.h"
#endif

#ifndef QY_UPDATE_SERVER_DEFAULT
#define QY_UPDATE_SERVER_DEFAULT "https://update.quilly.example"
#endif

namespace {

// Another server may only be named where a download it chooses cannot run unchecked: the web
// install starts nothing that the system cannot verify as signed by this installer's publisher.
bool OverrideAllowed() {
#ifdef _WIN32
    return sys::CanVerifySignatures();
#else
    return true;  // the native build runs tests only and starts nothing it downloads
#endif
}

}  // namespace

std::string UpdateServerBase() {
    const char* configured = OverrideAllowed() ? std::getenv(kUpdateServerVariable) : nullptr;
    std::string base = configured && *configured ? configured : QY_UPDATE_SERVER_DEFAULT;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

std::string SearchUrl() {
    return UpdateServerBase() + "/soft/update/search";
}
std::string TypeListUrl() {
    return UpdateServerBase() + "/soft/uninstall/getTypeList";
}
std::string ConfirmFormUrl() {
    return UpdateServerBase() + "/soft/uninstall/confirmForm";
}

std::string EncodeQueryValue(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        const bool plain =
            c > 0x20 && c < 0x7F && c != '&' && c != '#' && c != '%' && c != '+' && c != '=' && c != '?';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}
