// How every connection of the network client checks the server it talks to: the certificate
// chain up to a root the system trusts, and the host name. Revocation is checked where the TLS
// library can; a revocation list that cannot be reached (offline, behind a proxy) does not fail
// a transfer. A server that fails the check fails the transfer like an unreachable one.
#pragma once

#include <string>

typedef void CURL;

namespace net {

void ApplyTlsPolicy(CURL* handle);

// Tests only, in their own process: the roots a test's loopback servers are issued from, in place
// of the system's bundle. The Windows build's tests put their root into the system store instead.
void SetTestRoots(const std::string& pemFile);

}  // namespace net
