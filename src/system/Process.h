// Facts about the running process and thread, and the thread start the driver uses.
#pragma once

#include <string>

namespace sys {

unsigned CurrentThreadId();
unsigned CurrentProcessId();
// Full path of the running executable (module file name, at most 260 characters on Windows).
std::wstring ModuleFilePath();
// The program's full path as the C run-time keeps it.
std::wstring ProgramPath();
// The executable's file name after its last separator and before its last "."; "process" when unknown.
std::string ProcessBaseName();
// A line for an attached debugger (a windowed process has no console).
void DebugOutput(const char* text);
// Whether anyone reads DebugOutput: a debugger attached, or a debug-output viewer running (asked
// at most once a second). Every line sent costs the system several calls even when nobody reads.
bool DebugOutputRead();
void SleepMs(unsigned milliseconds);
// Starts a detached thread through the C run-time; returns false when it could not start.
bool StartDetachedThread(unsigned (*proc)(void*), void* param);
// The calling thread's last system error code.
unsigned LastErrorCode();

}  // namespace sys
