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
// errorDescription gives it. The list names every one once, so that the
// constants below and the check that each has its text cannot drift apart.
#define PLATFORM_STANDARD_ERRORS(X)         \
    X(InvalidProcedureCall, 5)              \
    X(Overflow, 6)                          \
    X(SubscriptOutOfRange, 9)               \
    X(DivisionByZero, 11)                   \
    X(TypeMismatch, 13)                     \
    X(FileNotFound, 53)                     \
    X(DeviceIO, 57)                         \
    X(FileAlreadyExists, 58)                \
    X(DiskFull, 61)                         \
    X(PermissionDenied, 70)                 \
    X(PathFileAccess, 75)                   \
    X(PathNotFound, 76)                     \
    X(ObjectVariableNotSet, 91)             \
    X(InvalidFileFormat, 321)               \
    X(ControlArrayElementMissing, 340)      \
    X(ObjectAlreadyLoaded, 360)             \
    X(InvalidPropertyValue, 380)            \
    X(InvalidPropertyArrayIndex, 381)       \
    X(PropertyReadOnly, 383)                \
    X(FormAlreadyDisplayed, 400)            \
    X(ObjectRequired, 424)                  \
    X(CannotCreateObject, 429)              \
    X(MemberNotSupported, 438)              \
    X(AutomationError, 440)                 \
    X(InvalidPicture, 481)                  \
    X(PrinterError, 482)                    \
    X(CancelError, 32755)

namespace err {
#define PLATFORM_ERROR_CONSTANT(name, number) constexpr int name = number;
PLATFORM_STANDARD_ERRORS(PLATFORM_ERROR_CONSTANT)
#undef PLATFORM_ERROR_CONSTANT
} // namespace err

// Throws a RuntimeError; without a description, with the number's standard
// text.
[[noreturn]] void raise(int number, const QString &description = QString());

// The standard text of a run-time error number, in the program's language;
// a number without one gets the text of an application-defined error.
QString errorDescription(int number);

// The standard text followed by what the caller knows of the case (a file
// path, a ProgID, an HRESULT), the way every such message reads:
// "ファイルが見つかりません。(a.cur)".
QString errorDescription(int number, const QString &detail);

} // namespace platform
