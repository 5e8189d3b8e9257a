// Extraction refuses damaged, truncated, foreign and hostile archives with an
// error naming the cause, and leaves the destination exactly as it was.
#include "platform/archive/archive.h"
#include "platform/archive/lha_crc.h"
#include "platform/archive/lha_header.h"
#include "platform/archive/unlha.h"
#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace platform::archive;
using platform::codepage::toAnsi;

namespace {

class ExtractSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The destination already holds a store that must survive.
        archivetest::Tree existing;
        existing.folders = {"dDB", "dDB/B社"};
        existing.files["dDB/download.log"] = "old log\r\n";
        existing.files["dDB/B社/keep.csv"] = "keep me";
        archivetest::writeTree(dest(), existing);
        m_before = archivetest::readTree(dest());

        archivetest::Tree source;
        source.folders = {"dDB", "dDB/A社", "dDB/A社/2013年"};
        source.files["dDB/download.log"] = "new log\r\n";
        source.files["dDB/A社/2013年/demand.csv"] = archivetest::demandTable(2013, 4000);
        source.files["dDB/A社/2013年/schema.ini"] = "[demand.csv]\r\n";
        archivetest::writeTree(m_dir.filePath("src"), source);
        addFolder(good(), "dDB", m_dir.filePath("src"));
    }

    QString dest() const { return m_dir.filePath("prog"); }
    QString good() const { return m_dir.filePath("good.dmd"); }

    // Extracts and expects the error of the given kind, with the destination untouched.
    void expectRefused(const QByteArray &archive, ErrorKind kind, const char *needle)
    {
        const QString path = m_dir.filePath("bad.dmd");
        archivetest::writeFile(path, archive);
        try {
            extract(path, dest(), ExtractOptions{{"dDB"}, true});
            ADD_FAILURE() << "no error for " << needle;
        } catch (const ArchiveError &e) {
            EXPECT_EQ(e.kind(), kind) << e.Description().toStdString();
            EXPECT_TRUE(e.Description().contains(QString::fromUtf8(needle))) << e.Description().toStdString();
        }
        EXPECT_TRUE(archivetest::readTree(dest()) == m_before) << "destination changed: " << needle;
    }

    QTemporaryDir m_dir;
    archivetest::Tree m_before;
};

} // namespace

TEST_F(ExtractSafety, TruncatedArchives)
{
    const QByteArray whole = archivetest::readFile(good());
    expectRefused(whole.left(whole.size() / 2), ErrorKind::Truncated, "途中で切れています");
    // Only the end mark missing.
    expectRefused(whole.left(whole.size() - 1), ErrorKind::Truncated, "途中で切れています");
    // Cut inside the first header.
    expectRefused(whole.left(10), ErrorKind::NotArchive, "LHA形式のアーカイブではありません");
}

TEST_F(ExtractSafety, FlippedDataByteIsACrcError)
{
    QByteArray bytes = archivetest::readFile(good());
    // Flip a byte in the middle of the compressed table: the last large entry.
    qint64 offset = -1;
    {
        QFile f(good());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        LhaHeader h;
        bool first = true;
        while (readHeader(f, h, first, "good") == HeaderRead::Entry) {
            first = false;
            if (h.originalSize > 10000)
                offset = h.dataOffset + static_cast<qint64>(h.compressedSize / 2);
            f.seek(h.dataOffset + static_cast<qint64>(h.compressedSize));
        }
    }
    ASSERT_GT(offset, 0);
    bytes[offset] = char(bytes[offset] ^ 0x10);
    expectRefused(bytes, ErrorKind::CrcError, "demand.csv");

    // A stored entry with one changed byte.
    QByteArray stored = archivetest::level0Entry("dDB\\x.txt", "hello") + QByteArray(1, '\0');
    stored[stored.size() - 3] = 'L';
    expectRefused(stored, ErrorKind::CrcError, "CRCエラー");
}

TEST_F(ExtractSafety, ForeignFilesAreNotArchives)
{
    expectRefused("This is a text file.\r\nIt is not an LHA archive.\r\n", ErrorKind::NotArchive,
                  "LHA形式のアーカイブではありません");
    expectRefused(QByteArray(), ErrorKind::NotArchive, "空のファイル");
    expectRefused(archivetest::randomBytes(5000, 1), ErrorKind::NotArchive, "LHA形式");
    expectRefused(QByteArray(100, '\0'), ErrorKind::NotArchive, "LHA形式");
}

TEST_F(ExtractSafety, EntriesThatWouldLeaveTheDestination)
{
    const QByteArray end(1, '\0');
    // An unsafe entry refuses the whole archive, even with good entries first.
    const QByteArray goodEntry = archivetest::level0Entry("dDB\\ok.txt", "fine");
    expectRefused(goodEntry + archivetest::level0Entry("..\\evil", "evil") + end, ErrorKind::UnsafePath, "..\\evil");
    expectRefused(goodEntry + archivetest::level0Entry("dDB\\..\\..\\evil", "evil") + end, ErrorKind::UnsafePath,
                  "上位フォルダー");
    expectRefused(archivetest::level0Entry("\\tmp\\evil", "evil") + end, ErrorKind::UnsafePath, "絶対パス");
    expectRefused(archivetest::level0Entry("/tmp/evil", "evil", 'U') + end, ErrorKind::UnsafePath, "絶対パス");
    expectRefused(archivetest::level0Entry("C:\\evil", "evil") + end, ErrorKind::UnsafePath, "ドライブ");
    // 0xFF directory headers cannot climb either.
    expectRefused(archivetest::level1Entry("-lh0-", "", "evil", {{0x01, "evil"}, {0x02, "dDB\xff..\xff..\xff"}}) + end,
                  ErrorKind::UnsafePath, "上位フォルダー");
    // Links: by Unix mode, and the "name|target" form of a folder entry.
    expectRefused(archivetest::level1Entry("-lhd-", "dDB\\l", "", {{0x50, QByteArray("\xff\xa1", 2)}}) + end,
                  ErrorKind::UnsafePath, "シンボリックリンク");
    expectRefused(archivetest::level1Entry("-lhd-", "dDB\\l|/etc", "", {}) + end, ErrorKind::UnsafePath,
                  "シンボリックリンク");
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("evil")));
    EXPECT_FALSE(QFileInfo::exists("/tmp/evil") && archivetest::readFile("/tmp/evil") == "evil");
}

TEST_F(ExtractSafety, UnknownMethodAndUndecodableName)
{
    const QByteArray end(1, '\0');
    QByteArray unknown = archivetest::level0Entry("dDB\\x.bin", "abc");
    unknown.replace("-lh0-", "-zz9-");
    // The header checksum covers the method: recompute it.
    unsigned sum = 0;
    for (qsizetype i = 2; i < unknown.size() - 3; ++i)
        sum += static_cast<unsigned char>(unknown[i]);
    unknown[1] = char(sum & 0xFF);
    expectRefused(unknown + end, ErrorKind::UnsupportedMethod, "-zz9-");
    // 0x81 0x20 is no CP932 character.
    expectRefused(archivetest::level0Entry(QByteArray("dDB\\\x81\x20.txt"), "x") + end, ErrorKind::BadName,
                  "シフトJIS");
}

TEST_F(ExtractSafety, CommandLineEntryReportsAndKeepsTheDestination)
{
    const QByteArray whole = archivetest::readFile(good());
    archivetest::writeFile(m_dir.filePath("cut.dmd"), whole.left(whole.size() - 40));
    QString output;
    const int rc = Unlha(nullptr, "e -x1 -r2 -y1 -n \"" + m_dir.filePath("cut.dmd") + "\" \"" + dest() + "\\\"", output,
                         1024);
    EXPECT_EQ(rc, kUnlhaErrorBase + static_cast<int>(ErrorKind::Truncated));
    EXPECT_TRUE(output.contains("途中で切れています")) << output.toStdString();
    EXPECT_TRUE(archivetest::readTree(dest()) == m_before);

    // The good archive goes in, replacing the log and adding A社.
    ASSERT_EQ(Unlha(nullptr, "e -x1 -r2 -y1 -n \"" + good() + "\" \"" + dest() + "\\\"", output, 1024), 0)
        << output.toStdString();
    const archivetest::Tree after = archivetest::readTree(dest());
    EXPECT_EQ(after.files.value("dDB/download.log"), QByteArray("new log\r\n"));
    EXPECT_EQ(after.files.value("dDB/B社/keep.csv"), QByteArray("keep me"));
    EXPECT_TRUE(after.files.contains("dDB/A社/2013年/demand.csv"));
}

TEST_F(ExtractSafety, FailedWritesAndSyncsNameTheEntryAndTheCauseAndChangeNothing)
{
    namespace faults = platform::fileio::faults;
    struct Case {
        faults::Step step;
        const char *file; // the entry that fails
        int error;
    };
    for (const Case c : {Case{faults::Step::Write, "demand.csv", ENOSPC}, Case{faults::Step::Sync, "schema.ini", EIO},
                         Case{faults::Step::Create, "download.log", EACCES}}) {
        for (const int threads : {1, 4}) {
            SCOPED_TRACE(std::string(c.file) + ", threads " + std::to_string(threads));
            setWorkerThreads(threads);
            const faults::ScopedFaultHook hook([c](faults::Step step, const QString &path, qint64) {
                return step == c.step && path.endsWith(QLatin1String(c.file)) ? c.error : 0;
            });
            try {
                extract(good(), dest(), ExtractOptions{{"dDB"}, true});
                ADD_FAILURE() << "no error";
            } catch (const ArchiveError &e) {
                EXPECT_EQ(e.kind(), ErrorKind::WriteFailed);
                EXPECT_TRUE(e.Description().contains(QString::fromLatin1(c.file))) << e.Description().toStdString();
                EXPECT_TRUE(e.Description().contains(platform::fileio::describeSystemError(c.error)))
                    << e.Description().toStdString();
            }
            setWorkerThreads(0);
            EXPECT_TRUE(archivetest::readTree(dest()) == m_before);
            // Nothing of the extraction is left behind.
            EXPECT_EQ(QDir(dest()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList{"dDB"});
        }
    }
}

TEST_F(ExtractSafety, EveryFileIsOnTheDiskBeforeTheTreeTakesItsPlace)
{
    namespace faults = platform::fileio::faults;
    for (const int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        setWorkerThreads(threads);
        QStringList synced;
        bool movedEarly = false;
        const QString log = dest() + QStringLiteral("/dDB/download.log");
        archivetest::writeFile(log, "old log\r\n"); // as before the first round
        {
            const faults::ScopedFaultHook hook([&](faults::Step step, const QString &path, qint64) {
                if (step == faults::Step::Sync) {
                    // Synced where it was decoded, not yet where it goes.
                    EXPECT_TRUE(path.contains(QLatin1String("/.lha-extract-"))) << path.toStdString();
                    synced << path.mid(path.indexOf(QLatin1String("/dDB/")) + 1);
                    // The extracted tree is still in its own folder.
                    movedEarly = movedEarly || archivetest::readFile(log) != "old log\r\n";
                }
                return 0;
            });
            extract(good(), dest(), ExtractOptions{{"dDB"}, true});
        }
        setWorkerThreads(0);
        synced.sort();
        EXPECT_EQ(synced, (QStringList{QStringLiteral("dDB/A社/2013年/demand.csv"),
                                       QStringLiteral("dDB/A社/2013年/schema.ini"), QStringLiteral("dDB/download.log")}))
            << synced.join(' ').toStdString();
        EXPECT_FALSE(movedEarly);
        EXPECT_EQ(archivetest::readFile(log), "new log\r\n");
    }
}

TEST_F(ExtractSafety, ALaterEntryOfTheSameNameReplacesTheEarlierOne)
{
    // Archives that were added to by other programs may name a file twice;
    // the last one is the file's current state.
    const QByteArray twice = archivetest::level0Entry("dDB\\download.log", "first\r\n") +
                             archivetest::level0Entry(toAnsi(QStringLiteral("dDB\\B社\\keep.csv")), "other") +
                             archivetest::level0Entry("dDB\\download.log", "second\r\n") + QByteArray(1, '\0');
    const QString path = m_dir.filePath("twice.lzh");
    archivetest::writeFile(path, twice);
    for (const int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        setWorkerThreads(threads);
        extract(path, dest(), ExtractOptions{{"dDB"}, true});
        setWorkerThreads(0);
        EXPECT_EQ(archivetest::readFile(dest() + "/dDB/download.log"), "second\r\n");
        EXPECT_EQ(archivetest::readFile(dest() + "/dDB/B社/keep.csv"), "other");
    }
}

// Names the file system cannot take are refused with that cause: a folder
// name of 300 bytes, a path of some 6,000 bytes.
TEST_F(ExtractSafety, NamesTooLongForTheFileSystemSaySo)
{
    const QByteArray data = "2013/07/25 10:00    x\r\n";
    const auto entry = [&](const QList<QByteArray> &folders) {
        return makeLevel2Header("-lh0-", std::uint32_t(data.size()), std::uint32_t(data.size()), 1374714000,
                                crc16(data), folders, "demand.csv", 0x20) +
               data;
    };
    QList<QByteArray> deep{"dDB"};
    for (int i = 0; i < 30; ++i)
        deep.append(QByteArray(200, char('a' + i % 26)));
    for (const QList<QByteArray> &folders : {QList<QByteArray>{"dDB", QByteArray(300, 'k')}, deep}) {
        SCOPED_TRACE(folders.size());
        expectRefused(entry(folders) + QByteArray(1, '\0'), ErrorKind::WriteFailed, "長すぎます");
        expectRefused(entry(folders) + QByteArray(1, '\0'), ErrorKind::WriteFailed, "フォルダーを作成できません");
    }
}
