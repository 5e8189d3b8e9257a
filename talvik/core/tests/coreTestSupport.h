#pragma once
// Shared fixture of the core tests: a fresh program folder per case (through
// TALVIK_HOME) and scripted message boxes, with unexpected boxes failing the case.
#include "platform/forms/dialogscript.h"
#include "testfiles.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvik::testing {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        m_savedHome = qgetenv("TALVIK_HOME");
        qputenv("TALVIK_HOME", home.path().toUtf8());
        platform::forms::DialogScript::setUnexpectedDialogHandler(
            [](const QString &report) { ADD_FAILURE() << report.toStdString(); });
    }
    void TearDown() override
    {
        platform::forms::DialogScript::setUnexpectedDialogHandler({});
        if (m_savedHome.isEmpty())
            qunsetenv("TALVIK_HOME");
        else
            qputenv("TALVIK_HOME", m_savedHome);
    }

    QString path(const QString &relative) const { return home.path() + QLatin1Char('/') + relative; }

    static void writeBytes(const QString &file, const QByteArray &bytes) { talviktest::writeFile(file, bytes); }
    static QByteArray readBytes(const QString &file) { return talviktest::readFile(file); }

    QTemporaryDir home;

private:
    QByteArray m_savedHome;
};

} // namespace talvik::testing
