// Whether the web install may start the installer it downloaded. An installer that is itself
// signed starts only a download whose signature the system trusts and whose signer certificate
// names the same publisher (the whole subject, so a certificate renewed with a new key still
// matches and another publisher under the same root does not). An unsigned installer, a
// development build, starts what passed the digest check and says in the log that nothing was
// authenticated.
#pragma once

#include <windows.h>

#include <string>

struct DownloadTrust {
    bool allowed = false;
    bool authenticated = false;
    std::string reason;  // why a download is refused, or what was (not) checked
};

// self: this installer's file; downloaded: the download, held open by held against changes.
DownloadTrust CheckDownloadedInstaller(const std::wstring& self, const std::wstring& downloaded, HANDLE held);
