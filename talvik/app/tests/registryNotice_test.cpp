// A registry file the program cannot read as a registry, met at a start of
// the whole program: the user is told once, in a box owned by the main
// window, which file it was, the name it is kept under and that its settings
// are back at their defaults. Where it cannot be read at all, cannot be kept
// aside or cannot be written, the box says that settings will not be saved
// and why, and the whole program runs on a registry held in memory: the libraries register,
// the port watcher is created, adapters get their COM numbers and the data
// window opens, while nothing is written over or beside the file.
#include "appFixture.h"

#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/app.h"
#include "platform/forms/constants.h"
#include "platform/forms/msgbox.h"
#include "platform/system/portmap.h"
#include "platform/system/registry.h"
#include "platform/system/tests/unopenableFile.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/store/dataWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <QTest>

#include <memory>

using namespace talvik;
namespace forms = platform::forms;

namespace {

// Not JSON: a registry export of another program, cut short.
const QByteArray kGarbage = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orv\x82\xa0ntis]\r\n\"Port\"=dw";

const QString kReset = QStringLiteral("このファイルに保存されていた設定は既定値に戻りました。");
const QString kNotSaved = QStringLiteral("設定は保存されません");

// Every entry below a folder (files, folders, sockets) with its kind and, for
// a file, its bytes.
QMap<QString, QByteArray> entriesBelow(const QString &folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        QByteArray what = fi.isDir() ? QByteArray("<folder>") : fi.isFile() ? QByteArray() : QByteArray("<other>");
        if (fi.isFile()) {
            QFile f(fi.filePath());
            what = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
        out.insert(QDir(folder).relativeFilePath(fi.filePath()), what);
    }
    return out;
}

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

// A start on a registry file that cannot be used: one box, owned by the main
// window, that names the file and the cause and says that settings will not
// be saved; the whole program works on the registry held in memory, and the
// data window opens on a click; the file's folder stays as it was, and the
// program folder holds only what an intact start leaves there.
class UnusableRegistryTest : public RegistryNoticeTest {
protected:
    // Opens the data window with a click and closes it again.
    static void openAndCloseTheDataWindow()
    {
        QTest::mouseClick(mainForm->cmdData.widget(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([] { return dataForm && dataForm->form()->isLoaded() && dataForm->form()->Visible(); },
                            5000));
        ASSERT_TRUE(dataForm->form()->Unload());
    }

    // The program folder as the same start and data window leave it with an
    // intact registry, in a program folder of its own.
    QMap<QString, QByteArray> homeAfterAnIntactStart()
    {
        QTemporaryDir otherHome;
        QTemporaryDir otherRegistry;
        const QByteArray savedHome = qgetenv("TALVIK_HOME");
        const QByteArray savedRegistry = qgetenv("TALVIK_REGISTRY");
        for (const QString &ini : QDir(home()).entryList(QDir::Files))
            QFile::copy(QDir(home()).filePath(ini), QDir(otherHome.path()).filePath(ini));
        qputenv("TALVIK_HOME", QFile::encodeName(otherHome.path()));
        qputenv("TALVIK_REGISTRY", QFile::encodeName(otherRegistry.path() + QStringLiteral("/registry.json")));
        QMap<QString, QByteArray> out;
        if (Main()) {
            openAndCloseTheDataWindow();
            closeProgram();
            out = entriesBelow(otherHome.path());
            out.remove(forms::App::lockFileName());
        }
        forms::App::releaseInstanceLock();
        qputenv("TALVIK_HOME", savedHome);
        qputenv("TALVIK_REGISTRY", savedRegistry);
        return out;
    }

    void startAndOpenTheDataWindow(const QString &causeShown)
    {
        const QMap<QString, QByteArray> homeExpected = homeAfterAnIntactStart();
        ASSERT_FALSE(homeExpected.isEmpty());
        ASSERT_TRUE(m_script->shown().isEmpty()) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        const QMap<QString, QByteArray> registryBefore = entriesBelow(registryFolder());
        m_script->showAndPressNext(forms::vbOK);
        ASSERT_TRUE(Main()) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        ASSERT_NE(mainForm, nullptr);
        ASSERT_TRUE(waitFor([this] { return !m_script->shown().isEmpty(); }, 2000));

        ASSERT_EQ(m_script->shown().size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        const forms::ShownDialog box = m_script->shown().first();
        EXPECT_TRUE(box.shownForReal);
        EXPECT_EQ(box.ownerTitle, mainForm->Caption());
        EXPECT_TRUE(box.prompt.contains(registryFile())) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(kNotSaved)) << box.prompt.toStdString();
        if (!causeShown.isEmpty()) {
            EXPECT_TRUE(box.prompt.contains(QStringLiteral("（") + causeShown + QStringLiteral("）")))
                << box.prompt.toStdString();
        }
        EXPECT_FALSE(box.prompt.contains(QStringLiteral(".broken-"))) << box.prompt.toStdString();
        EXPECT_EQ(forms::msgBoxIcon(box.style), forms::vbExclamation);
        EXPECT_TRUE(m_script->verify());

        // The port watcher was created and runs; its library, the program's
        // registry reader and this test read one registry.
        EXPECT_NE(vcpWatcher, nullptr);
        EXPECT_TRUE(mainForm->Timer1.Enabled());
        namespace sys = platform::system;
        sys::RegKey key;
        EXPECT_EQ(sys::RegOpenKeyEx(sys::RootKey::ClassesRoot, QStringLiteral("Portwick.Class1"), key),
                  sys::ERROR_SUCCESS);

        // The data window opens on a click, its container control's library
        // registered in the same registry.
        QTest::mouseClick(mainForm->cmdData.widget(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([] { return dataForm && dataForm->form()->isLoaded() && dataForm->form()->Visible(); },
                            5000));
        EXPECT_EQ(sys::RegOpenKeyEx(sys::RootKey::ClassesRoot, QString::fromLatin1(kContainerProgId), key),
                  sys::ERROR_SUCCESS);
        pump(1500); // watcher ticks read the registry again
        EXPECT_EQ(m_script->shown().size(), 1) << m_script->prompts().join(QStringLiteral(" / ")).toStdString();
        ASSERT_TRUE(dataForm->form()->Unload());
        closeProgram();

        EXPECT_EQ(entriesBelow(registryFolder()), registryBefore);
        // The program folder holds what an intact start leaves there, and
        // nothing else.
        QMap<QString, QByteArray> homeAfter = entriesBelow(home());
        homeAfter.remove(forms::App::lockFileName());
        EXPECT_EQ(homeAfter.keys(), homeExpected.keys());
        EXPECT_EQ(homeAfter, homeExpected);
    }

    // An adapter plugged in gets a COM number from the held registry, and
    // keeps it; the registry file stays as it is.
    void expectAnAdapterNumbered()
    {
        const QMap<QString, QByteArray> registryBefore = entriesBelow(registryFolder());
        {
            QFile adapter(linkPath());
            ASSERT_TRUE(adapter.open(QIODevice::WriteOnly));
        }
        const int com = platform::system::portForDevicePath(linkPath());
        EXPECT_GT(com, 0);
        EXPECT_EQ(platform::system::portForDevicePath(linkPath()), com);
        ASSERT_TRUE(QFile::remove(linkPath()));
        EXPECT_EQ(entriesBelow(registryFolder()), registryBefore);
    }
};

TEST_F(UnusableRegistryTest, AFolderInTheFilesPlaceIsLeftAndTheProgramRunsOnAHeldRegistry)
{
    ASSERT_TRUE(QDir().mkpath(registryFile() + QStringLiteral("/kept")));
    startAndOpenTheDataWindow(QStringLiteral("ファイルの位置にフォルダがあります"));
    expectAnAdapterNumbered();
    EXPECT_TRUE(QFileInfo(registryFile()).isDir());
}

TEST_F(UnusableRegistryTest, AFileThatCannotBeOpenedIsLeftAndTheProgramRunsOnAHeldRegistry)
{
    // Not even root can open a socket as a file.
    ASSERT_TRUE(platform::system::testsupport::makeUnopenableFile(registryFile())) << registryFile().toStdString();
    QFile probe(registryFile());
    ASSERT_FALSE(probe.open(QIODevice::ReadOnly));
    // The cause in the file layer's own words, not the system's English.
    startAndOpenTheDataWindow(QStringLiteral("通常のファイルではないため開けません。"));
    expectAnAdapterNumbered();
    EXPECT_TRUE(QFileInfo::exists(registryFile()));
}

TEST_F(UnusableRegistryTest, ADamagedFileThatCannotBeKeptAsideIsLeftAndTheProgramRunsOnAHeldRegistry)
{
    putRegistry(kGarbage);
    auto readOnly = std::make_unique<platform::fileio::testsupport::ReadOnlyFolder>(registryFolder());
    SCOPED_TRACE(readOnly->real() ? "read-only mount" : "read-only by permissions");
    startAndOpenTheDataWindow(QString());
    readOnly.reset();
    expectAnAdapterNumbered();
    const QString prompt = m_script->shown().value(0).prompt;
    EXPECT_TRUE(prompt.contains(kReset)) << prompt.toStdString();
    // The cause is given in brackets after the statement.
    const qsizetype open = prompt.lastIndexOf(QStringLiteral("（"));
    const qsizetype close = prompt.lastIndexOf(QStringLiteral("）"));
    ASSERT_GT(open, prompt.indexOf(kNotSaved)) << prompt.toStdString();
    EXPECT_GT(close, open + 1) << prompt.toStdString();
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_EQ(bytesOf(registryFile()), kGarbage);
}

} // namespace

// An intact registry in a folder that takes no new file (a read-only mount
// where the suite may mount, read-only permissions or the file layer's
// model otherwise): the run works on what the file holds, in memory; one box
// says that settings will not be saved and why, and the file stays as it is.
TEST_F(UnusableRegistryTest, AnIntactRegistryThatCannotBeWrittenIsReadAndTheProgramRunsOnItInMemory)
{
    namespace sys = platform::system;
    const QString sub = QStringLiteral("Software\\TalvikTest");
    {
        // The file as an earlier run left it, with one value of its own.
        QTemporaryDir earlier;
        const QByteArray saved = qgetenv("TALVIK_REGISTRY");
        const QString earlierFile = earlier.path() + QStringLiteral("/registry.json");
        qputenv("TALVIK_REGISTRY", QFile::encodeName(earlierFile));
        ASSERT_EQ(sys::SHSetValue(sys::RootKey::CurrentUser, sub, QStringLiteral("Kept"), sys::REG_SZ,
                                  sys::regSz(QStringLiteral("earlier"))),
                  sys::ERROR_SUCCESS);
        qputenv("TALVIK_REGISTRY", saved);
        putRegistry(bytesOf(earlierFile));
    }
    const QByteArray before = bytesOf(registryFile());
    auto readOnly = std::make_unique<platform::fileio::testsupport::ReadOnlyFolder>(registryFolder());
    SCOPED_TRACE(readOnly->real() ? "read-only mount" : "read-only by permissions or the file layer's model");
    startAndOpenTheDataWindow(QString());

    const QString prompt = m_script->shown().value(0).prompt;
    EXPECT_TRUE(prompt.contains(QStringLiteral("書き込めません"))) << prompt.toStdString();
    EXPECT_FALSE(prompt.contains(kReset)) << prompt.toStdString();
    const QStringList causes = {platform::fileio::describeSystemError(EROFS),
                                platform::fileio::describeSystemError(EACCES)};
    EXPECT_TRUE(prompt.contains(QStringLiteral("（") + causes[0] + QStringLiteral("）")) ||
                prompt.contains(QStringLiteral("（") + causes[1] + QStringLiteral("）")))
        << prompt.toStdString();
    // What the file held was read; the libraries' registrations stayed in
    // memory and never reached it.
    sys::RegKey key;
    ASSERT_EQ(sys::RegOpenKeyEx(sys::RootKey::CurrentUser, sub, key), sys::ERROR_SUCCESS);
    uint32_t type = 0;
    QByteArray data;
    ASSERT_EQ(sys::RegQueryValueEx(key, QStringLiteral("Kept"), type, data), sys::ERROR_SUCCESS);
    EXPECT_EQ(sys::regSzText(data), QStringLiteral("earlier"));
    readOnly.reset();
    expectAnAdapterNumbered();
    EXPECT_EQ(bytesOf(registryFile()), before);
}
