// What every transfer of the network client holds to. The server is checked: the certificate
// chain up to a root the system trusts, and the host name; revocation where the TLS library can
// check it (a revocation list that cannot be reached, offline or behind a proxy, does not fail a
// transfer). A server that fails the check fails the transfer like an unreachable one. Only http
// and https, also after a redirect. A connection that takes too long, or a transfer that stalls
// (HttpTimings), fails.
#pragma once

#include <string>

typedef void CURL;

// A transfer slower than this for HttpTimings::stallSeconds has stalled and fails.
constexpr long kStallBytesPerSecond = 1024;
// The waits and time-outs of requests and downloads; tests shorten them.
struct HttpTimings {
    long connectTimeoutSeconds = 120;
    long timeoutSeconds = 120;
    unsigned tryWaitMs = 50;        // after every failed try
    unsigned attemptWaitMs = 3000;  // after every failed GET attempt
    long stallSeconds = 60;
};
HttpTimings& GetHttpTimings();

namespace net {

void ApplyTransferPolicy(CURL* handle);

// Tests only, in their own process: the roots a test's loopback servers are issued from, in place
// of the system's bundle. The Windows build's tests put their root into the system store instead.
void SetTestRoots(const std::string& pemFile);

}  // namespace net
