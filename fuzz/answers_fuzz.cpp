// Fuzzes the readers of the update server's three answers (the newest package, the survey's
// reasons, the survey's confirmation) over the same bytes. Beyond the sanitizers: a search answer
// that is accepted must name a package the web install can fetch (address, digest, file name and a
// size), and a reasons list that is refused must say why.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/UpdateAnswers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::string address = "https://update.quilly.example/soft/update/search?channel=web";

    PackageInfo package;
    const int found = ParseSearchAnswer(body, address, package);
    if (found == 0 &&
        (package.url.empty() || package.md5.empty() || package.fileName.empty() || package.size <= 0)) {
        std::abort();
    }
    if (found != 0 && found != -3 && found != -4 && found != -6) std::abort();

    std::vector<SurveyReason> reasons;
    std::string error;
    if (!ParseTypeList(body, reasons, error) && (error.empty() || !reasons.empty())) std::abort();

    const int confirmed = ParseConfirmAnswer(body, address);
    if (confirmed != 0 && confirmed != -1) std::abort();
    return 0;
}
