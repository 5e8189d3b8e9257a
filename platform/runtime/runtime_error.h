#pragma once
// Run-time errors: an exception carrying an error number and a description,
// the way the original runtime reports them. Procedures catch what they are
// meant to catch and test the number where it matters (32755: dialog cancelled).
#include <QString>
#include <stdexcept>

namespace platform {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString &description, const QString &source = QString());

    int Number() const { return m_number; }
    const QString &Description() const { return m_description; }
    const QString &Source() const { return m_source; }

private:
    int m_number;
    QString m_description;
    QString m_source;
};

// The standard run-time errors the layers raise, each with the one text
// errorDescription gives it.
namespace err {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int ObjectVariableNotSet = 91;
constexpr int ObjectRequired = 424;
constexpr int MemberNotSupported = 438;
constexpr int AutomationError = 440;
constexpr int CancelError = 32755;
} // namespace err

// Throws a RuntimeError; without a description, with the number's standard
// text.
[[noreturn]] void raise(int number, const QString &description = QString());

// The standard text of a run-time error number, in the program's language;
// a number without one gets the text of an application-defined error.
QString errorDescription(int number);

} // namespace platform
