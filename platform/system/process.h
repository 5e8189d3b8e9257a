#pragma once
// Process functions: start a command line, ask whether it still runs, wait.
// A command whose program cannot be found fails with ERROR_FILE_NOT_FOUND, as
// the Windows call does; there is no script host on this system.
#include <QString>
#include <cstdint>

namespace platform::system {

constexpr uint32_t STILL_ACTIVE = 259;
constexpr uint32_t PROCESS_QUERY_INFORMATION = 0x0400;

struct PROCESS_INFORMATION {
    int64_t hProcess = 0;   // handle, closed with CloseHandle
    int64_t dwProcessId = 0;
};

// Starts the command line (program, then arguments; double quotes group).
// With hidden set the program gets no window of its own. On failure returns
// false and sets lastError (2 when the program was not found).
bool CreateProcess(const QString &commandLine, bool hidden, PROCESS_INFORMATION &info, uint32_t &lastError);

// A query handle on a process started by CreateProcess; 0 when unknown.
int64_t OpenProcess(uint32_t access, int64_t processId);
// STILL_ACTIVE while it runs, else its exit code. False for a bad handle.
bool GetExitCodeProcess(int64_t handle, uint32_t &exitCode);
bool CloseHandle(int64_t handle);

// The system's text for an error code (the message table of FormatMessage).
QString FormatMessage(uint32_t errorCode);

// Lets pending events of the event loop run.
void DoEvents();
void Sleep(uint32_t milliseconds);

// Folder of the shared library or program that holds the given address.
QString moduleFolder(const void *addressInModule);
// Full path of that library or program.
QString modulePath(const void *addressInModule);

} // namespace platform::system
