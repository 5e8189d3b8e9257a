#pragma once
// Shared set-up of the fuzz harnesses: one headless application for the
// process, a scratch folder on a memory file system where one exists, and a
// loud stop for a broken invariant (libFuzzer records the input).
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzzsupport {

// Creates the application once (window code needs one; offscreen needs no
// display) and points the program folder at a scratch folder.
// The application lives until the process ends: libFuzzer leaves through
// exit(), and destroying it among the static destructors would crash.
inline void initApplication()
{
    static QApplication *app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "talvik-fuzz";
    static char *argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
}

// A folder for scratch files: /dev/shm when there is one (no disk syncs).
inline QString scratchBase()
{
    static const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                          : QDir::tempPath();
    return base;
}

// A fresh temporary folder, removed with the object.
inline std::unique_ptr<QTemporaryDir> scratchDir()
{
    auto dir = std::make_unique<QTemporaryDir>(scratchBase() + QStringLiteral("/talvik-fuzz-XXXXXX"));
    if (!dir->isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        std::abort();
    }
    return dir;
}

[[noreturn]] inline void brokenInvariant(const char *what)
{
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                                                                    \
    do {                                                                                                    \
        if (!(cond))                                                                                        \
            ::fuzzsupport::brokenInvariant(#cond);                                                          \
    } while (0)

} // namespace fuzzsupport
