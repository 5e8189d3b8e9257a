#pragma once
// The shell's "run or open" call: starts a program, or opens a document or a
// web address with the program the desktop uses for it.
//
// Tests install a recorder: while one is installed, requests are handed to
// it instead of starting anything, and its answer is returned.
#include <QString>

#include <cstdint>
#include <functional>

namespace platform::shell {

constexpr int SW_SHOWNORMAL = 1;
// Results as the Windows call gives them: greater than 32 on success.
constexpr std::intptr_t SE_ERR_FNF = 2;
constexpr std::intptr_t SE_ERR_NOASSOC = 31;
constexpr std::intptr_t kShellExecuteDone = 33;

struct ShellExecuteRequest {
    QString verb;       // "" is the default verb, "open" opens
    QString file;       // program, document or address
    QString parameters; // arguments of a program
    QString directory;  // working folder; "" for the current one
    int show = SW_SHOWNORMAL;
};

using ShellExecuteRecorder = std::function<std::intptr_t(const ShellExecuteRequest &)>;
// Installs (or with null removes) the recorder.
void SetShellExecuteRecorder(ShellExecuteRecorder recorder);

// A program file ("\" separators allowed) is started detached with its
// parameters; an address with a scheme ("https://...") or another file is
// opened through the desktop. SE_ERR_FNF when the file does not exist,
// SE_ERR_NOASSOC when nothing could open it.
std::intptr_t ShellExecute(const ShellExecuteRequest &request);

} // namespace platform::shell
