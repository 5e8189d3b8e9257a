// The archiver's speed-ups must not change a single byte: the -lh5- encoder
// against digests of its output (and its sizes against the earlier encoder),
// archives written with worker threads against those written on the calling
// thread alone, extraction with and without workers, and failures and
// cancellation while workers are busy.
#include "platform/archive/archive.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/archive/lha_crc.h"
#include "platform/fileio/durable.h"
#include "test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace platform::archive;
using archivetest::Tree;

namespace {

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// Runs `body` with the given number of worker threads (1: none), then goes
// back to the default.
template <typename Body>
auto withThreads(int threads, Body body)
{
    struct Reset {
        ~Reset() { setWorkerThreads(0); }
    } reset;
    setWorkerThreads(threads);
    return body();
}

constexpr int kWorkers = 6;

// The benchmarks' store: 30 customers with 5 year tables and their
// schema.ini each, the log, and a customer without data.
Tree benchStore()
{
    Tree t;
    t.folders = {"dDB", "dDB/お客さま空"};
    t.files["dDB/download.log"] = "2013/12/31 09:00    情報データ読み込み(お客さま01)追加：48 更新：0\r\n";
    for (int c = 1; c <= 30; ++c) {
        const QString customer = QStringLiteral("dDB/お客さま%1").arg(c, 2, 10, QLatin1Char('0'));
        t.folders.insert(customer);
        for (int y = 2009; y <= 2013; ++y) {
            const QString year = customer + QStringLiteral("/%1年").arg(y);
            t.folders.insert(year);
            t.files[year + "/schema.ini"] = "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\n";
            t.files[year + "/demand.csv"] = archivetest::benchYearTable(y, static_cast<unsigned>(c * 100 + y));
        }
    }
    return t;
}

// Writes a file, making its folder first.
void put(const QString &file, const QByteArray &data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    archivetest::writeFile(file, data);
}

// Names in a folder, hidden ones included.
QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A Unix socket bound at `path`: a name in the folder that cannot be opened
// as a file, not even by root. Its descriptor, or -1.
int bindSocket(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(name.size()) >= sizeof addr.sun_path)
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    std::memcpy(addr.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Description of the error `body` raises ("" when none).
QString errorOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const platform::RuntimeError &e) {
        return QString::number(e.Number()) + QStringLiteral(": ") + e.Description();
    }
    return QString();
}

class ParallelArchive : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override { setWorkerThreads(0); }
    QString path(const QString &rel) const { return m_dir.filePath(rel); }

    QTemporaryDir m_dir;
};

} // namespace

// The digests pin the encoder's output: the format allows many encodings of
// the same data, and an archive changes only when the encoder is changed on
// purpose. The sizes are those of the earlier encoder (32 candidates for
// every search, three-byte hashing): the faster search may cost at most 3 %
// of them, or a two-hundredth of the input on data that hardly packs.
TEST(Lh5EncoderOutput, PinnedBytesAndNoMoreThanTheEarlierEncoderMade)
{
    QByteArray mixed;
    for (int i = 0; i < 40; ++i) {
        mixed += archivetest::demandTable(2000 + i, 200);
        mixed += archivetest::randomBytes(3000, static_cast<unsigned>(i));
    }
    QByteArray counters;
    for (int i = 0; i < 20000; ++i)
        counters += QByteArray::number(i % 97).rightJustified(6, '0');
    const struct {
        const char *what;
        QByteArray data;
        const char *digest;
        std::uint16_t crc;
        qsizetype earlierSize;
    } cases[] = {
        {"a year of demand lines", archivetest::demandTable(2013, 17520), "10dce5ac969d6230015c02e860908e1c3659245f931e704ab63d02dd292c5de7", 9368, 79344},
        {"incompressible bytes", archivetest::randomBytes(300000, 7), "9a6347a735bcfd2fd6972e8339ba5554b77a5ed0fbed465c4864ddfeb4b7e067", 5601, 300513},
        {"tables and noise", mixed, "a649276263226bb3739bf96ae66b744389dbf6f33b0f78180892060c8310e08f", 37767, 168130},
        {"one long run", QByteArray(70000, '\0'), "0dcd0d52762990ed34186fd336979e23709d91d2476137ce5c7f3105708e7a16", 0, 45},
        {"short repeating counters", counters, "7b2f77f6ea4bf25f53e935b4e2fd84674e7398812914a24fa2c2014d57120ed3", 2174, 1073},
        {"three bytes", QByteArray("abc"), "785aa1d947e79da656f284a538fb287ce8638f2a2acb17e94096fe8c2823a409", 38712, 10},
    };
    for (const auto &c : cases) {
        const QByteArray packed = encodeLh5(c.data);
        EXPECT_EQ(sha256(packed).toStdString(), std::string(c.digest)) << c.what;
        EXPECT_EQ(crc16(c.data), c.crc) << c.what;
        EXPECT_LE(packed.size(), std::max(c.earlierSize * 103 / 100, c.earlierSize + c.data.size() / 200)) << c.what;
    }
    // A year table of the benchmarks' store, whose acquisition times repeat
    // from line to line: the look ahead is what keeps it small.
    QByteArray bench;
    for (int y = 2009; y <= 2013; ++y)
        bench += archivetest::benchYearTable(y, static_cast<unsigned>(100 + y));
    EXPECT_LE(encodeLh5(bench).size(), 356286 * 103 / 100);
}

TEST_F(ParallelArchive, BenchStoreSameBytesAndDecodedEitherWay)
{
    const Tree store = benchStore();
    archivetest::writeTree(path("src"), store);
    withThreads(1, [&] { addFolder(path("one.dmd"), "dDB", path("src")); });
    withThreads(kWorkers, [&] { addFolder(path("many.dmd"), "dDB", path("src")); });
    const QByteArray one = archivetest::readFile(path("one.dmd"));
    ASSERT_GT(one.size(), 1000000);
    EXPECT_TRUE(one == archivetest::readFile(path("many.dmd"))) << "archives differ";

    // The calling thread alone reads what the workers wrote, and the workers
    // what it wrote.
    withThreads(1, [&] { extract(path("many.dmd"), path("out1"), ExtractOptions{{"dDB"}, true}); });
    EXPECT_TRUE(archivetest::readTree(path("out1")) == store);
    withThreads(kWorkers, [&] { extract(path("one.dmd"), path("outN"), ExtractOptions{{"dDB"}, true}); });
    EXPECT_TRUE(archivetest::readTree(path("outN")) == store);
}

TEST_F(ParallelArchive, FixtureTreesSavedUnderTheStoreNameAndAddedToSameBytes)
{
    archivetest::writeTree(path("src"), archivetest::interopTree());
    ASSERT_TRUE(QDir().rename(path("src/dDB"), path("src/dDB.new")));
    // As the data set save packs the store being built, named "dDB".
    for (const int threads : {1, kWorkers}) {
        withThreads(threads, [&] {
            std::unique_ptr<ArchiveWriter> w =
                prepareFolderArchive(path(QString("save%1.dmd").arg(threads)), path("src/dDB.new"), "dDB");
            // Once flushed, the store may take its name before the commit.
            w->flush();
            ASSERT_TRUE(QDir().rename(path("src/dDB.new"), path("src/dDB.moved")));
            w->commit();
            ASSERT_TRUE(QDir().rename(path("src/dDB.moved"), path("src/dDB.new")));
        });
    }
    EXPECT_TRUE(archivetest::readFile(path("save1.dmd")) ==
                archivetest::readFile(path(QString("save%1.dmd").arg(kWorkers))));

    // Adding to an archive mixes copied entries with newly packed ones.
    put(path("src/extra/new.csv"), archivetest::demandTable(2020, 4000));
    put(path("src/dDB.new/download.log"), "replaced\r\n");
    for (const int threads : {1, kWorkers}) {
        const QString archive = path(QString("add%1.lzh").arg(threads));
        ASSERT_TRUE(QFile::copy(path("save1.dmd"), archive));
        withThreads(threads, [&] { addFiles(archive, {"extra", "dDB.new/download.log"}, path("src")); });
    }
    const QByteArray added = archivetest::readFile(path("add1.lzh"));
    EXPECT_TRUE(added == archivetest::readFile(path(QString("add%1.lzh").arg(kWorkers))));
    EXPECT_GT(added.size(), archivetest::readFile(path("save1.dmd")).size());
}

TEST_F(ParallelArchive, WriterDroppedWhileWorkersAreBusyKeepsTheOldArchive)
{
    const QByteArray old = "the previous data set\r\n";
    put(path("set.dmd"), old);
    const QByteArray table = archivetest::benchYearTable(2013, 7);
    withThreads(kWorkers, [&] {
        ArchiveWriter writer(path("set.dmd"));
        writer.addDirectory("dDB", 0);
        for (int i = 0; i < 64; ++i)
            writer.addData(QString("dDB/t%1.csv").arg(i), table + QByteArray::number(i), 1700000000);
        // Dropped without commit(), as a cancelled save does, while entries
        // are still being packed.
    });
    EXPECT_TRUE(archivetest::readFile(path("set.dmd")) == old);
    EXPECT_EQ(namesIn(m_dir.path()), QStringList{"set.dmd"});
}

// Packed entries are held in memory only up to a limit (16 MiB): past it the
// workers wait for the caller to write them. A save that syncs its store
// meanwhile calls writeReady between the syncs, and the whole archive is
// then written before flush() is reached; a failed entry is raised there in
// archive order, after the entries before it.
TEST_F(ParallelArchive, WriteReadyLetsThePackingGoOnWhileTheCallerIsBusy)
{
    Tree tree;
    qint64 total = 0;
    for (int i = 0; i < 40; ++i) {
        // Random bytes are stored as they are: every entry holds its 1 MiB.
        tree.files[QString("dDB/t%1.bin").arg(i, 2, 10, QLatin1Char('0'))] =
            archivetest::randomBytes(1 << 20, static_cast<unsigned>(i));
        total += 1 << 20;
    }
    archivetest::writeTree(path("src"), tree);
    QDir().mkpath(path("out"));
    const auto writtenSoFar = [&] {
        qint64 size = 0;
        for (const QFileInfo &fi : QDir(path("out")).entryInfoList(QDir::Files | QDir::Hidden))
            size += fi.size();
        return size;
    };
    withThreads(kWorkers, [&] {
        std::unique_ptr<ArchiveWriter> w = prepareFolderArchive(path("out/set.dmd"), path("src/dDB"), "dDB");
        for (int round = 0; round < 3000 && writtenSoFar() < total; ++round) {
            w->writeReady();
            ::usleep(10000);
        }
        EXPECT_GE(writtenSoFar(), total) << "the entries were not all written before the flush";
        w->flush();
        w->commit();
    });
    const QString back = path("back");
    extract(path("out/set.dmd"), back);
    EXPECT_TRUE(archivetest::readTree(back).files == tree.files);

    // A file that cannot be read, between the tables: writeReady raises its
    // failure once the entries before it are written.
    const int fd = bindSocket(path("src/dDB/t20.sock"));
    ASSERT_GE(fd, 0);
    QString error;
    withThreads(kWorkers, [&] {
        std::unique_ptr<ArchiveWriter> w = prepareFolderArchive(path("out/again.dmd"), path("src/dDB"), "dDB");
        error = errorOf([&] {
            for (int round = 0; round < 3000; ++round) {
                w->writeReady();
                ::usleep(10000);
            }
        });
        EXPECT_GT(writtenSoFar(), QFileInfo(path("out/set.dmd")).size() + 20 * (1 << 20))
            << "the entries before the unreadable file were not written first";
    });
    ::close(fd);
    EXPECT_TRUE(error.contains("t20.sock")) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("out/again.dmd")));
}

TEST_F(ParallelArchive, UnreadableFileFailsAsOnTheCallingThread)
{
    Tree tree = archivetest::interopTree();
    for (int i = 0; i < 40; ++i)
        tree.files[QString("dDB/A社/2013年/t%1.csv").arg(i, 2, 10, QLatin1Char('0'))] =
            archivetest::benchYearTable(2013, static_cast<unsigned>(i));
    archivetest::writeTree(path("src"), tree);
    // A socket cannot be opened as a file, not even by root; it sorts
    // between the tables, so that entries before and after it are in flight.
    const int fd = bindSocket(path("src/dDB/A社/2013年/t20.sock"));
    ASSERT_GE(fd, 0);

    const QByteArray old = "old set";
    QStringList errors;
    for (const int threads : {1, kWorkers}) {
        put(path("out/set.dmd"), old);
        errors.append(withThreads(threads, [&] {
            return errorOf([&] { addFolder(path("out/set.dmd"), "dDB", path("src")); });
        }));
        EXPECT_TRUE(archivetest::readFile(path("out/set.dmd")) == old);
        EXPECT_EQ(namesIn(path("out")), QStringList{"set.dmd"});
        // As the data set save packs: the failure comes with the flush at
        // the latest.
        errors.append(withThreads(threads, [&] {
            return errorOf([&] {
                std::unique_ptr<ArchiveWriter> w = prepareFolderArchive(path("out/set.dmd"), path("src/dDB"), "dDB");
                w->flush();
                w->commit();
            });
        }));
        EXPECT_TRUE(archivetest::readFile(path("out/set.dmd")) == old);
        EXPECT_EQ(namesIn(path("out")), QStringList{"set.dmd"});
    }
    ::close(fd);
    EXPECT_EQ(errors[0].toStdString(), errors[2].toStdString());
    EXPECT_EQ(errors[1].toStdString(), errors[3].toStdString());
    EXPECT_TRUE(errors[0].contains("t20.sock")) << errors[0].toStdString();
    EXPECT_EQ(errors[0].toStdString(), errors[1].toStdString());
}

TEST_F(ParallelArchive, FailedArchiveWriteIsTheSameErrorAndLeavesNoTemporaryFile)
{
    Tree tree = archivetest::interopTree();
    for (int i = 0; i < 30; ++i)
        tree.files[QString("dDB/t%1.csv").arg(i, 2, 10, QLatin1Char('0'))] =
            archivetest::benchYearTable(2010, static_cast<unsigned>(i));
    archivetest::writeTree(path("src"), tree);
    const QByteArray old = "old set";
    QStringList errors;
    for (const int threads : {1, kWorkers}) {
        put(path("out/set.dmd"), old);
        // The disk fills up once the archive passes 600 kB.
        platform::fileio::faults::ScopedFaultHook hook(
            [](platform::fileio::faults::Step step, const QString &, qint64 bytes) {
                return step == platform::fileio::faults::Step::Write && bytes > 600000 ? ENOSPC : 0;
            });
        errors.append(withThreads(threads, [&] {
            return errorOf([&] { addFolder(path("out/set.dmd"), "dDB", path("src")); });
        }));
        EXPECT_TRUE(archivetest::readFile(path("out/set.dmd")) == old);
        EXPECT_EQ(namesIn(path("out")), QStringList{"set.dmd"});
    }
    EXPECT_FALSE(errors[0].isEmpty());
    EXPECT_EQ(errors[0].toStdString(), errors[1].toStdString());
}

TEST_F(ParallelArchive, ExtractionReportsTheFirstBrokenEntryInArchiveOrder)
{
    Tree tree;
    tree.folders = {"dDB"};
    for (int i = 0; i < 8; ++i)
        tree.files[QString("dDB/r%1.bin").arg(i)] = archivetest::randomBytes(50000, static_cast<unsigned>(i + 1));
    archivetest::writeTree(path("src"), tree);
    withThreads(1, [&] { addFolder(path("set.dmd"), "dDB", path("src")); });
    // Random data is stored as it is: damage entries 2 and 6 in place.
    QByteArray bytes = archivetest::readFile(path("set.dmd"));
    for (const int i : {2, 6}) {
        const qsizetype at = bytes.indexOf(tree.files[QString("dDB/r%1.bin").arg(i)]);
        ASSERT_GE(at, 0);
        bytes[at + 1000] = static_cast<char>(bytes[at + 1000] ^ 0x55);
    }
    put(path("set.dmd"), bytes);

    QStringList errors;
    for (const int threads : {1, kWorkers}) {
        const QString out = path(QString("out%1").arg(threads));
        errors.append(withThreads(threads, [&] { return errorOf([&] { extract(path("set.dmd"), out); }); }));
        EXPECT_FALSE(QFileInfo::exists(out)) << "a destination made for the extraction is removed again";
    }
    EXPECT_TRUE(errors[0].contains("r2.bin")) << errors[0].toStdString();
    EXPECT_EQ(errors[0].toStdString(), errors[1].toStdString());
}

TEST_F(ParallelArchive, FailedWriteOfAnExtractedFileIsTheSameError)
{
    Tree tree = archivetest::interopTree();
    for (int i = 0; i < 12; ++i)
        tree.files[QString("dDB/t%1.csv").arg(i, 2, 10, QLatin1Char('0'))] =
            archivetest::benchYearTable(2011, static_cast<unsigned>(i));
    archivetest::writeTree(path("src"), tree);
    withThreads(1, [&] { addFolder(path("set.dmd"), "dDB", path("src")); });
    put(path("dest/keep.txt"), "kept");

    // No file of this process may grow past 100 kB: the first year table
    // fails in the middle of its write.
    struct Limit {
        Limit()
        {
            ::getrlimit(RLIMIT_FSIZE, &saved);
            previous = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 100000;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit()
        {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previous);
        }
        rlimit saved{};
        void (*previous)(int) = nullptr;
    };
    QStringList errors;
    for (const int threads : {1, kWorkers}) {
        const Limit limit;
        errors.append(withThreads(threads, [&] { return errorOf([&] { extract(path("set.dmd"), path("dest")); }); }));
    }
    EXPECT_TRUE(errors[0].contains("t00.csv")) << errors[0].toStdString();
    EXPECT_EQ(errors[0].toStdString(), errors[1].toStdString());
    EXPECT_EQ(namesIn(path("dest")), QStringList{"keep.txt"});
}
