#include "entry/SilentRun.h"

#include "driver/QYPM.h"
#include "system/FileHelpers.h"
#include "ui/IInstallUIPromptEx.h"
#include "ui/ProgressRules.h"

namespace {

// Keeps the running percentage as the window would (nothing shows it) and notes completion.
class SilentPrompt : public IInstallUIPromptEx {
public:
    void OnStep(int action, int increment, std::wstring) override { m_percent = StepPercentage(m_percent, action, increment); }
    bool finished() const { return m_finished; }

protected:
    ~SilentPrompt() = default;
    int m_percent = 0;
    bool m_finished = false;
};

class SilentInstall final : public SilentPrompt {
public:
    explicit SilentInstall(OpePARAMEx& record) : m_record(record) {}
    void OnFinished(const char*, int) override {
        // The quick-start button: the product starts, the working folder goes, the window closes.
        GetQYPM()->RunRestartPhase(&m_record);
        sys::DeleteFolder(m_record.m_TempDir, {});
        OnStep(kActionComplete, 100, L"");
        m_finished = true;
    }

private:
    OpePARAMEx& m_record;
};

class SilentUninstall final : public SilentPrompt {
public:
    void OnFinished(const char*, int) override {
        OnStep(kActionComplete, 100, L"");
        m_finished = true;
    }
};

class SilentWebInstall final : public SilentPrompt {
public:
    void OnFinished(const char*, int) override { m_finished = true; }
};

// What the window does before it starts the operation: the driver runs it on this thread and
// reports to prompt. True when the operation reported completion.
template <typename Operation>
bool RunWithoutWindow(OpePARAMEx& record, SilentPrompt& prompt, bool showsSize, Operation operation) {
    QYPM* driver = GetQYPM();
    record.m_Async = 0;
    if (showsSize) {
        FileSizeInfo size;
        driver->GetFileSizeInfo(size, L"");
    }
    driver->SetPrompt(&prompt);
    (driver->*operation)(&record);
    driver->SetPrompt(nullptr);
    return prompt.finished();
}

}  // namespace

bool RunSilentInstall(OpePARAMEx& record) {
    SilentInstall prompt(record);
    return RunWithoutWindow(record, prompt, true, &QYPM::Install);
}

bool RunSilentUninstall(OpePARAMEx& record) {
    SilentUninstall prompt;
    return RunWithoutWindow(record, prompt, false, &QYPM::Uninstall);
}

bool RunSilentWebInstall(OpePARAMEx& record) {
    SilentWebInstall prompt;
    return RunWithoutWindow(record, prompt, true, &QYPM::Install);
}
