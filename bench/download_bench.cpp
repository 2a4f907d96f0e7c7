// One ranged download as the web install makes it: the size query, the parts at once, the join
// and the MD5 check. Prints the wall seconds of Download() and its result; download_bench.sh
// measures the whole process (and its peak memory) beside curl and aria2c.
//   download_bench URL OUTPUT MD5 PARTS
// QY_NET_CA names the root of the loopback servers' certificates (servers.sh writes it).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/log/log4z.h"
#include "net/Downloader.h"
#include "net/TransferPolicy.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: download_bench URL OUTPUT MD5 PARTS\n");
        return 2;
    }
    const std::string url = argv[1], output = argv[2], md5 = argv[3];
    const unsigned parts = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));

    // The downloader only logs why it failed; the lines go beside the output, as the
    // installer's go beside it.
    const std::string logFolder = output + ".log/";
    auto* log = log4z::ILog4zManager::getInstance();
    log->SetPath(log4z::kMainLogger, logFolder.c_str());
    log->Start();

    if (const char* roots = std::getenv("QY_NET_CA")) net::SetTestRoots(roots);

    const auto start = std::chrono::steady_clock::now();
    bool ok = false;
    {
        CDownloader downloader(url, url, output, md5, nullptr, parts);
        ok = downloader.Download();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    log->Stop();
    std::printf("%.3f %s\n", seconds, ok ? "ok" : "failed");
    if (!ok) std::fprintf(stderr, "download_bench: %s failed, see %s\n", url.c_str(), logFolder.c_str());
    return ok ? 0 : 1;
}
