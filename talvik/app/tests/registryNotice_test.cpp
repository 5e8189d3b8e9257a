// A registry file the program cannot read as a registry, met at a start of
// the whole program: the user is told once, in a box owned by the main
// window, which file it was, the name it is kept under and that its settings
// are back at their defaults; where it cannot be kept aside, that settings
// will not be saved and why.
#include "appFixture.h"

#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <memory>

using namespace talvik;
namespace forms = platform::forms;

namespace {

// Not JSON: a registry export of another program, cut short.
const QByteArray kGarbage = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orv\x82\xa0ntis]\r\n\"Port\"=dw";

const QString kReset = QStringLiteral("このファイルに保存されていた設定は既定値に戻りました。");
const QString kNotSaved = QStringLiteral("設定は保存されません");

class RegistryNoticeTest : public AppFixture {
protected:
    QString registryFile() const { return qEnvironmentVariable("TALVIK_REGISTRY"); }
    QString registryFolder() const { return QFileInfo(registryFile()).path(); }
    void putRegistry(const QByteArray &bytes) const
    {
        QFile f(registryFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Files kept aside beside the registry file.
    QStringList keptAside() const
    {
        return QDir(registryFolder()).entryList({QFileInfo(registryFile()).fileName() + QStringLiteral(".broken-*")},
                                                QDir::Files | QDir::Hidden);
    }
    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // Message boxes shown that tell of the damaged registry file.
    QList<forms::ShownDialog> registryBoxes() const
    {
        QList<forms::ShownDialog> out;
        for (const forms::ShownDialog &d : m_script->shown())
            if (d.kind == forms::ShownDialog::MessageBox && d.prompt.contains(registryFile()) &&
                d.prompt.contains(kReset))
                out << d;
        return out;
    }
};

TEST_F(RegistryNoticeTest, ADamagedRegistryIsToldOnceAndKeptAsideWhileTheProgramGoesOn)
{
    putRegistry(kGarbage);
    // Shown as the program shows it, and closed with its button.
    m_script->showAndPressNext(forms::vbOK);
    ASSERT_TRUE(Main());
    ASSERT_TRUE(m_script->verify()) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();

    // The file is kept byte for byte under the new name.
    const QStringList aside = keptAside();
    ASSERT_EQ(aside.size(), 1) << QDir(registryFolder()).entryList(QDir::Files).join(u' ').toStdString();
    const QString keptPath = QDir(registryFolder()).filePath(aside.first());
    EXPECT_EQ(bytesOf(keptPath), kGarbage);

    // One box, owned by the main window, naming both files and the reset.
    ASSERT_EQ(m_script->shown().size(), 1);
    const forms::ShownDialog box = m_script->shown().first();
    EXPECT_TRUE(box.shownForReal);
    EXPECT_TRUE(box.prompt.contains(registryFile())) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(keptPath)) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(kReset)) << box.prompt.toStdString();
    EXPECT_FALSE(box.prompt.contains(kNotSaved)) << box.prompt.toStdString();
    EXPECT_EQ(forms::msgBoxIcon(box.style), forms::vbExclamation);
    EXPECT_EQ(box.buttons, QStringList{QStringLiteral("OK")});
    ASSERT_NE(mainForm, nullptr);
    EXPECT_EQ(box.ownerTitle, mainForm->Caption());

    // The program goes on: its window is up, the watcher runs on its timer
    // and reads the registry at every tick, and the registry is written
    // again as a whole file. No further box comes.
    EXPECT_TRUE(mainForm->Visible());
    EXPECT_TRUE(mainForm->Timer1.Enabled());
    pump(2500);
    EXPECT_EQ(m_script->shown().size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    QJsonParseError parsed{};
    EXPECT_TRUE(QJsonDocument::fromJson(bytesOf(registryFile()), &parsed).isObject()) << parsed.errorString().toStdString();
    EXPECT_EQ(bytesOf(keptPath), kGarbage);

    // The next start reads the registry written since: nothing to tell.
    closeProgram();
    ASSERT_TRUE(Main());
    pump(200);
    EXPECT_EQ(m_script->shown().size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(keptAside().size(), 1);
}

TEST_F(RegistryNoticeTest, AnIntactRegistryStartsWithoutABox)
{
    // A first start writes the registry (the watcher's library registers
    // itself); the file is then read whole at the second start.
    ASSERT_TRUE(Main());
    closeProgram();
    const QByteArray written = bytesOf(registryFile());
    ASSERT_TRUE(QJsonDocument::fromJson(written).isObject());
    ASSERT_TRUE(Main());
    pump(1200);
    EXPECT_TRUE(m_script->shown().isEmpty()) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(RegistryNoticeTest, ARegistryThatCannotBeKeptAsideSaysSettingsAreNotSavedAndWhy)
{
    putRegistry(kGarbage);
    auto readOnly = std::make_unique<platform::fileio::testsupport::ReadOnlyFolder>(registryFolder());
    SCOPED_TRACE(readOnly->real() ? "read-only mount" : "read-only by permissions");
    // The boxes of this start (after the registry's, the watcher's library
    // cannot register itself) are recorded and answered with their defaults.
    forms::DialogScript::setUnexpectedDialogHandler([](const QString &) {});
    Main();
    readOnly.reset();

    const QList<forms::ShownDialog> boxes = registryBoxes();
    ASSERT_EQ(boxes.size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    // The registry box comes before the messages of what fails for it.
    EXPECT_EQ(m_script->shown().first().prompt, boxes.first().prompt)
        << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
    const QString prompt = boxes.first().prompt;
    EXPECT_TRUE(prompt.contains(registryFile())) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(kReset)) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(kNotSaved)) << prompt.toStdString();
    // The cause is given in brackets after the statement.
    const qsizetype open = prompt.lastIndexOf(QStringLiteral("（"));
    const qsizetype close = prompt.lastIndexOf(QStringLiteral("）"));
    ASSERT_GT(open, prompt.indexOf(kNotSaved)) << prompt.toStdString();
    EXPECT_GT(close, open + 1) << prompt.toStdString();
    EXPECT_FALSE(prompt.contains(QStringLiteral(".broken-"))) << prompt.toStdString();

    // Nothing was renamed or written over.
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_EQ(bytesOf(registryFile()), kGarbage);
}

} // namespace
