// The web install in this process with a prompt that records what the window would be told.
// Copied under a web installer's name ("Quilly#web#2.exe"), it runs the silent web install and
// writes "<name>.prompt.txt" beside itself: one line per report ("error <text>", "installing",
// "finished"), then "result <n>" with the procedure's result.
#include <windows.h>

#include <string>

#include "driver/QYPM.h"
#include "interface/Maker/SetupPkg.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/Process.h"
#include "system/TextConv.h"
#include "ui/IInstallUIPromptEx.h"
#include "ui/ProgressRules.h"

namespace {

struct RecordingPrompt final : IInstallUIPromptEx {
    std::string lines;
    void OnError(std::wstring message) override { lines += "error " + sys::WideToUtf8(message) + "\n"; }
    void OnStepProgress(int action, int, int, std::wstring, int) override {
        if (action == kActionInstalling) lines += "installing\n";
    }
    void OnFinished(const char*, int) override { lines += "finished\n"; }
};

}  // namespace

int wmain() {
    RecordingPrompt prompt;
    OpePARAMEx record;
    record.m_Async = 0;
    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    OwnSetupPkg package;
    CUpdateEngEx engine;
    QYPM driver(engine, package);
    driver.SetPrompt(&prompt);
    const int result = driver.Install(&record);
    driver.SetPrompt(nullptr);
    prompt.lines += "result " + std::to_string(result) + "\n";
    const std::wstring out = sys::ProgramPath() + L".prompt.txt";
    HANDLE file =
        ::CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    ::WriteFile(file, prompt.lines.data(), static_cast<DWORD>(prompt.lines.size()), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
