// How the driver and the engine report to the window of the run. Every operation has a default
// that ignores its arguments, so a window overrides only what it shows.
#pragma once

#include <string>

class IInstallUIPromptEx {
public:
    virtual void OnStep(int /*action*/, int /*increment*/, std::wstring /*detail*/) {}
    virtual void OnStepProgress(int /*action*/, int /*position*/, int /*total*/, std::wstring /*detail*/,
                                int /*share*/) {}
    virtual void OnFinished(const char* /*text*/, int /*value*/) {}
    virtual void NotifyUpdateWnd(std::string /*text*/) {}
    virtual void OnError(std::wstring /*message*/) {}
    virtual void OnConfigError(std::string /*message*/) {}
    virtual void OnUnnamed(std::string /*text*/) {}

protected:
    ~IInstallUIPromptEx() = default;
};
