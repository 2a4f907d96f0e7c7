#include "entry/SilentRun.h"

#include <string>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "common/run/RunResults.h"
#include "system/FileHelpers.h"
#include "common/run/IInstallUIPromptEx.h"

namespace {

// Keeps the procedure's end; its progress goes nowhere, its failures are in the log already.
class SilentOutcome final : public IInstallUIPromptEx {
public:
    void OnFinished(const char*, int) override { finished = true; }
    void OnError(std::wstring message) override {
        LogPrint(log4z::LOG_LEVEL_ERROR, "SilentRun, the procedure reports %S", message.c_str());
    }
    bool finished = false;
};

}  // namespace

int RunSilentWithoutWindow(OpePARAMEx* record, IQYPM& driver) {
    SilentOutcome outcome;
    driver.SetPrompt(&outcome);
    record->m_Async = 0;
    switch (ProcedureOf(record->m_Mode)) {
        case ModeProcedure::kInstall:
            driver.Install(record);
            // What the install window's final page does in a silent run.
            if (outcome.finished) {
                driver.RunRestartPhase(record);
                sys::DeleteFolder(record->m_TempDir, {});
            }
            break;
        case ModeProcedure::kUninstall:
            driver.Uninstall(record);
            break;
        case ModeProcedure::kWebInstall:
            driver.WebInstall(record);
            break;
        case ModeProcedure::kNone:
            break;
    }
    driver.SetPrompt(nullptr);
    LogPrint(outcome.finished ? log4z::LOG_LEVEL_INFO : log4z::LOG_LEVEL_ERROR,
             "SilentRun, mode %d ran without its window and %s", record->m_Mode,
             outcome.finished ? "completed" : "did not complete");
    return outcome.finished ? 0 : kSilentRunIncomplete;
}
