// Data sets of an independent LHA writer with level-1 headers, spoiled in
// their extended headers, opened through ﾌｧｲﾙ → 開く of the shown data window
// with the mouse: each is refused with the damaged-header message and the
// committed store "dDB" and the working copy stay as they were.
#include "dataWindowFixture.h"

#include "platform/archive/tests/test_support.h"
#include "platform/codepage/codepage.h"
#include "platform/forms/constants.h"
#include "platform/forms/menus.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/frmWait.h"
#include "talvik/store/demandTable.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTest>

using namespace dwtest;

namespace {

std::uint16_t le16(const QByteArray &b, qsizetype at)
{
    return std::uint16_t(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

// Positions of the header CRCs (extended header 0x00) of every entry of a
// level-1 archive, found by walking the headers here, not by the reader
// under test.
QList<qsizetype> headerCrcPositions(const QByteArray &archive)
{
    QList<qsizetype> found;
    qsizetype at = 0;
    while (at + 22 < archive.size() && archive[at] != '\0') {
        const qsizetype base = static_cast<unsigned char>(archive[at]) + 2;
        const qsizetype skip = qsizetype(le16(archive, at + 7)) | (qsizetype(le16(archive, at + 9)) << 16);
        qsizetype ext = at + base;
        std::uint16_t next = le16(archive, ext - 2);
        while (next != 0 && ext + next <= archive.size()) {
            if (static_cast<unsigned char>(archive[ext]) == 0x00)
                found.append(ext + 1);
            const std::uint16_t following = le16(archive, ext + next - 2);
            ext += next;
            next = following;
        }
        at += base + skip; // the skip counts the extended headers and the data
    }
    return found;
}

class DamagedSetFromMenu : public DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        talvik::waitForm = &wait;
        makeStore();
        loadWindow();
        w->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (wait.isLoaded())
            wait.Unload();
        DataWindowTest::TearDown();
        talvik::waitForm = nullptr;
        QDir::setCurrent(m_savedDir);
    }

    // A level-1 data set of "dDB\Kita\2024年" made by the independent writer;
    // with "/" given as the separator it keeps the folders in extended
    // headers, outside the base header's checksum.
    QByteArray independentLevel1Set()
    {
        const QString jar = QStringLiteral("/usr/share/java/jlha.jar");
        const QString javac = QStandardPaths::findExecutable(QStringLiteral("javac"));
        const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
        const QString sourceDir = qEnvironmentVariable("TALVIK_SOURCE_DIR");
        if (!QFileInfo::exists(jar) || javac.isEmpty() || java.isEmpty() || sourceDir.isEmpty()) {
            ADD_FAILURE() << "jlha.jar (libjlha-java), javac, java and TALVIK_SOURCE_DIR are needed";
            return {};
        }
        const archivetest::ProcessResult built = archivetest::run(
            javac, {QStringLiteral("-encoding"), QStringLiteral("UTF-8"), QStringLiteral("-cp"), jar, QStringLiteral("-d"),
                    m_work.path(), sourceDir + QStringLiteral("/platform/archive/tests/fixtures/JlhaFixture.java")});
        EXPECT_EQ(built.exitCode, 0) << built.err.toStdString();
        archivetest::Tree source;
        source.folders = {QStringLiteral("dDB"), QStringLiteral("dDB/Kita"), QStringLiteral("dDB/Kita/2024年")};
        source.files[QStringLiteral("dDB/download.log")] = "2024/03/01 10:00    read\r\n";
        source.files[QStringLiteral("dDB/Kita/2024年/schema.ini")] = talvik::schemaText(false);
        source.files[QStringLiteral("dDB/Kita/2024年/demand.csv")] =
            demandLine("240301", "1000", "0123") + demandLine("240301", "1030", "0456");
        archivetest::writeTree(m_work.filePath(QStringLiteral("src")), source);
        const QString set = m_work.filePath(QStringLiteral("kita.dmd"));
        const archivetest::ProcessResult made =
            archivetest::run(java, {QStringLiteral("-cp"), jar + u':' + m_work.path(), QStringLiteral("JlhaFixture"), set,
                                    QStringLiteral("-lh5-"), QStringLiteral("1"), m_work.filePath(QStringLiteral("src")),
                                    QStringLiteral("/")});
        EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
        return archivetest::readFile(set);
    }

    // ﾌｧｲﾙ → 開く with the mouse on the window's menu bar; the file dialog
    // chooses `file` and a message box, if one comes, is answered with OK.
    // Returns the texts of the message boxes.
    QStringList openFromMenu(const QString &file, bool expectBox)
    {
        script.reset();
        script = std::make_unique<platform::forms::DialogScript>();
        script->chooseFile(file);
        if (expectBox)
            script->answerNext(platform::forms::vbOK);
        QMenuBar *bar = w->menuBar();
        EXPECT_NE(bar, nullptr);
        if (!bar)
            return {};
        const QRect root = bar->actionGeometry(w->mnuFileRoot.action());
        EXPECT_TRUE(root.isValid());
        QTest::mouseClick(bar, Qt::LeftButton, {}, root.center());
        QMenu *menu = w->mnuFileRoot.popupMenu();
        EXPECT_TRUE(waitFor([&] { return menu && menu->isVisible(); }));
        if (!menu || !menu->isVisible())
            return {};
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
        QAction *open = w->mnuFile(0).action();
        EXPECT_EQ(open->text(), QStringLiteral("開く"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(open).center());
        EXPECT_TRUE(waitFor([&] { return script->pending() == 0; }));
        QApplication::processEvents();
        EXPECT_TRUE(script->verify());
        return script->prompts();
    }

    // The program folder's data folders, file by file.
    archivetest::Tree stores() const
    {
        archivetest::Tree all;
        for (const QString &folder : {QStringLiteral("dDB"), QStringLiteral("dDB.tran")}) {
            const archivetest::Tree t = archivetest::readTree(path(folder));
            for (auto it = t.files.cbegin(); it != t.files.cend(); ++it)
                all.files.insert(folder + u'/' + it.key(), it.value());
            for (const QString &f : t.folders)
                all.folders.insert(folder + u'/' + f);
        }
        return all;
    }

    talvik::frmWait wait;
    QTemporaryDir m_work;

private:
    QString m_savedDir = QDir::currentPath();
};

} // namespace

TEST_F(DamagedSetFromMenu, SpoiledLevel1HeadersAreRefusedAndTheStoreStays)
{
    const QByteArray good = independentLevel1Set();
    ASSERT_GT(good.size(), 100);
    const QByteArray nen = platform::codepage::toAnsi(QStringLiteral("2024年"));
    const QList<qsizetype> crcs = headerCrcPositions(good);
    ASSERT_FALSE(crcs.isEmpty()) << "the writer stores no header CRC";

    struct Mutant {
        QString name;
        QByteArray bytes;
    };
    QList<Mutant> mutants;
    // One byte of the folder name "2024年" changed (94 → B4: "2024ｴN").
    for (qsizetype at = good.indexOf(nen); at >= 0; at = good.indexOf(nen, at + 1)) {
        QByteArray b = good;
        b[at + 4] = char(0xB4);
        mutants.append({QStringLiteral("folder-name-%1").arg(at), b});
    }
    ASSERT_GE(mutants.size(), 2) << "the folder name is in the headers of its entries";
    // The stored header CRC of each entry changed.
    for (const qsizetype at : crcs) {
        QByteArray b = good;
        b[at] = char(b[at] ^ 0x01);
        mutants.append({QStringLiteral("header-crc-%1").arg(at), b});
    }

    const archivetest::Tree before = stores();
    w->setDataChanged(true);
    for (const Mutant &m : mutants) {
        SCOPED_TRACE(m.name.toStdString());
        const QString file = m_work.filePath(m.name + QStringLiteral(".dmd"));
        archivetest::writeFile(file, m.bytes);
        const QStringList boxes = openFromMenu(file, true);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("オープン中にエラーが発生しました。　"))) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(QStringLiteral("ヘッダーが壊れています"))) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(m.name + QStringLiteral(".dmd"))) << "names the archive";
        if (boxes[0].contains(QStringLiteral("ヘッダーCRC"))) {
            EXPECT_TRUE(boxes[0].contains(QStringLiteral("ヘッダーCRC: dDB")))
                << "names the entry: " << boxes[0].toStdString();
        }
        EXPECT_EQ(stores(), before);
        EXPECT_TRUE(w->dataChanged());
        EXPECT_FALSE(wait.isLoaded());
    }

    // The unspoiled set opens through the same menu.
    const QString file = m_work.filePath(QStringLiteral("good.dmd"));
    archivetest::writeFile(file, good);
    const QStringList boxes = openFromMenu(file, false);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("dDB/Kita/2024年/demand.csv"))).isFile());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("dDB/東京工場"))));
    EXPECT_FALSE(w->dataChanged());
}
