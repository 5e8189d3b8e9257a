// Interoperation with independent LHA programs: our archives listed, tested
// and extracted by the lha command; archives written by the jlha library
// (levels 0, 1 and 2; -lh5-, -lh6-, -lh7-; also -lh1-, -lh4-) extracted by us.
#include "platform/archive/archive.h"
#include "platform/archive/data_decoder.h"
#include "platform/archive/lh5_decoder.h"
#include "platform/archive/lha_crc.h"
#include "platform/archive/lha_header.h"
#include "platform/codepage/codepage.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>

using namespace platform::archive;
using archivetest::Tree;
using platform::codepage::toAnsi;

namespace {

// The tree as another program writes it on disk: names as CP932 bytes.
QMap<QByteArray, QByteArray> asCp932(const Tree &t)
{
    QMap<QByteArray, QByteArray> raw;
    for (const QString &f : t.folders)
        raw.insert(toAnsi(f) + "/", QByteArray());
    for (auto it = t.files.cbegin(); it != t.files.cend(); ++it)
        raw.insert(toAnsi(it.key()), it.value());
    return raw;
}

QString lhaProgram()
{
    return QStandardPaths::findExecutable("lha");
}

} // namespace

TEST(LhaCommand, ListsTestsAndExtractsOurArchivesByteForByte)
{
    const QString lha = lhaProgram();
    ASSERT_FALSE(lha.isEmpty()) << "the lha command (package lhasa) is needed";
    QTemporaryDir dir;
    const Tree tree = archivetest::interopTree();
    archivetest::writeTree(dir.filePath("src"), tree);
    const QString archive = dir.filePath("set.dmd");
    addFolder(archive, "dDB", dir.filePath("src"));

    const archivetest::ProcessResult listed = archivetest::run(lha, {"l", archive});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const int entries = static_cast<int>(tree.files.size() + tree.folders.size());
    EXPECT_TRUE(listed.out.contains(QByteArray("Total ") + QByteArray(9 - QByteArray::number(entries).size(), ' ') +
                                    QByteArray::number(entries) + " files"))
        << listed.out.toStdString();
    EXPECT_TRUE(listed.out.contains("dDB/download.log"));

    const archivetest::ProcessResult tested = archivetest::run(lha, {"t", archive});
    EXPECT_EQ(tested.exitCode, 0) << tested.out.toStdString() << tested.err.toStdString();
    EXPECT_FALSE(tested.out.contains("CRC error")) << tested.out.toStdString();

    ASSERT_TRUE(QDir().mkpath(dir.filePath("x")));
    const archivetest::ProcessResult extracted = archivetest::run(lha, {"xf", archive}, dir.filePath("x"));
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err.toStdString();
    EXPECT_EQ(archivetest::readRawTree(dir.filePath("x")), asCp932(tree));
}

class JlhaArchives : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const QString jar = "/usr/share/java/jlha.jar";
        if (!QFileInfo::exists(jar)) {
            s_problem = "jlha.jar not found (package libjlha-java)";
            return;
        }
        const QString javac = QStandardPaths::findExecutable("javac");
        const QString java = QStandardPaths::findExecutable("java");
        if (javac.isEmpty() || java.isEmpty()) {
            s_problem = "javac/java not found";
            return;
        }
        const archivetest::ProcessResult built =
            archivetest::run(javac, {"-encoding", "UTF-8", "-cp", jar, "-d", s_dir->path(),
                                     QStringLiteral(ARCHIVE_FIXTURE_DIR "/JlhaFixture.java")});
        if (built.exitCode != 0) {
            s_problem = "javac failed: " + built.err;
            return;
        }
        s_java = java;
        s_classPath = jar + ":" + s_dir->path();
        archivetest::writeTree(s_dir->filePath("src"), archivetest::interopTree());
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    // Writes an archive of the sample tree (or the tree in `source`) with
    // jlha; returns its path.
    static QString make(const QString &method, int level, const QString &source = QStringLiteral("src"))
    {
        const QString out = s_dir->filePath(QString("j%1%2%3.lzh").arg(method.mid(1, 3)).arg(level).arg(source));
        const archivetest::ProcessResult r =
            archivetest::run(s_java, {"-cp", s_classPath, "JlhaFixture", out, method, QString::number(level),
                                      s_dir->filePath(source), "/"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return out;
    }
    static QString makeRaw(const QString &name, const QStringList &entries)
    {
        const QString out = s_dir->filePath(name);
        QStringList args{"-cp", s_classPath, "JlhaFixture", out, "-lh5-", "0", "-", "-", "raw"};
        args += entries;
        const archivetest::ProcessResult r = archivetest::run(s_java, args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return out;
    }

    static QTemporaryDir *s_dir;
    static QByteArray s_problem;
    static QString s_java;
    static QString s_classPath;
};

QTemporaryDir *JlhaArchives::s_dir = nullptr;
QByteArray JlhaArchives::s_problem;
QString JlhaArchives::s_java;
QString JlhaArchives::s_classPath;

TEST_F(JlhaArchives, EveryMethodAndHeaderLevelExtractsIdentically)
{
    ASSERT_TRUE(s_problem.isEmpty()) << s_problem.toStdString();
    const Tree expected = archivetest::interopTree();
    const QList<QPair<QString, int>> kinds = {{"-lh5-", 0}, {"-lh5-", 1}, {"-lh5-", 2}, {"-lh6-", 0}, {"-lh6-", 1},
                                              {"-lh6-", 2}, {"-lh7-", 0}, {"-lh7-", 1}, {"-lh7-", 2}, {"-lh1-", 2},
                                              {"-lh4-", 2}};
    for (const auto &[method, level] : kinds) {
        {
            SCOPED_TRACE((method + " level " + QString::number(level)).toStdString());
            const QString archive = make(method, level);
            bool sawMethod = false;
            for (const ArchiveEntry &e : list(archive)) {
                EXPECT_EQ(e.level, level);
                EXPECT_TRUE(e.path.startsWith("dDB")) << e.path.toStdString();
                if (e.method == method.toLatin1())
                    sawMethod = true;
            }
            EXPECT_TRUE(sawMethod) << "jlha did not use the method";
            // Decoded on the calling thread alone and on worker threads.
            for (const int threads : {1, 4}) {
                setWorkerThreads(threads);
                QTemporaryDir out;
                extract(archive, out.path(), ExtractOptions{{"dDB"}, true});
                const Tree got = archivetest::readTree(out.path());
                EXPECT_TRUE(got == expected) << threads << " threads, files: " << got.files.keys().join(' ').toStdString();
            }
            setWorkerThreads(0);
        }
    }
}

TEST_F(JlhaArchives, Level0BackslashNamesAndHostileNamesFromAnotherWriter)
{
    ASSERT_TRUE(s_problem.isEmpty()) << s_problem.toStdString();
    // Level 0 stores "\" separators; "ソ" and "表" end in 0x5C.
    const QString archive = make("-lh5-", 0);
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(toAnsi(QStringLiteral("ソフト表\\2014年\\表.bin"))));

    const QString file = s_dir->filePath("src/dDB/download.log");
    for (const QString &bad : {QStringLiteral("..\\evil"), QStringLiteral("\\evil"), QStringLiteral("dDB\\..\\..\\evil")}) {
        const QString hostile = makeRaw("hostile.lzh", {"dDB\\ok.log", file, bad, file});
        QTemporaryDir out;
        try {
            extract(hostile, out.path(), ExtractOptions{{"dDB"}, true});
            ADD_FAILURE() << "no error for " << bad.toStdString();
        } catch (const ArchiveError &e) {
            EXPECT_EQ(e.kind(), ErrorKind::UnsafePath) << e.Description().toStdString();
        }
        EXPECT_TRUE(QDir(out.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
}

TEST_F(JlhaArchives, OurDecoderTakesEveryJlhaEntryAndAgreesWithLiblhasa)
{
    ASSERT_TRUE(s_problem.isEmpty()) << s_problem.toStdString();
    // Larger data than the sample tree: matches far back in the -lh6- and
    // -lh7- windows, several blocks, noise that stays literal.
    Tree big;
    QByteArray far = archivetest::randomBytes(40000, 5);
    far += far + archivetest::demandTable(2021, 3000) + far.mid(7, 30000);
    big.files["dDB/far.bin"] = far;
    big.files["dDB/year.csv"] = archivetest::benchYearTable(2022, 3);
    big.files["dDB/noise.bin"] = archivetest::randomBytes(70000, 8);
    big.files["dDB/zeros.bin"] = QByteArray(200000, '\0');
    big.files["dDB/small.txt"] = "abc";
    archivetest::writeTree(s_dir->filePath("big"), big);

    for (const QString method : {"-lh5-", "-lh6-", "-lh7-"}) {
        SCOPED_TRACE(method.toStdString());
        const QString archive = make(method, 2, QStringLiteral("big"));
        QFile f(archive);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        int decoded = 0;
        LhaHeader h;
        for (bool first = true; readHeader(f, h, first, archive) == HeaderRead::Entry; first = false) {
            const qint64 next = h.dataOffset + static_cast<qint64>(h.compressedSize);
            if (h.method == method.toLatin1()) {
                ASSERT_TRUE(f.seek(h.dataOffset));
                const QByteArray packed = f.read(static_cast<qint64>(h.compressedSize));
                // Ours alone: no entry may need the fallback.
                QByteArray own;
                qsizetype at = 0;
                const Lh5DecodeResult r = decodeLh5Family(
                    lh5FamilyDictionaryBits(h.method),
                    [&](char *b, std::size_t n) {
                        const qsizetype k = std::min<qsizetype>(static_cast<qsizetype>(n), packed.size() - at);
                        std::memcpy(b, packed.constData() + at, static_cast<std::size_t>(k));
                        at += k;
                        return static_cast<std::size_t>(k);
                    },
                    h.originalSize, [&](const char *p, std::size_t n) { own.append(p, static_cast<qsizetype>(n)); });
                EXPECT_TRUE(r.sound) << h.displayName.constData();
                // liblhasa's view of the same entry.
                ASSERT_TRUE(f.seek(h.dataOffset));
                QByteArray reference;
                const DecodeResult lhasa = decodeData(
                    h.method, f, h.compressedSize, h.originalSize,
                    [&](const char *p, std::size_t n) { reference.append(p, static_cast<qsizetype>(n)); },
                    [&] { reference.clear(); }, DecoderChoice::General);
                EXPECT_EQ(lhasa.crc, h.crc) << h.displayName.constData();
                EXPECT_TRUE(own == reference) << h.displayName.constData();
                ++decoded;
            }
            ASSERT_TRUE(f.seek(next));
        }
        // jlha stores the noise and the tiny file as they are.
        EXPECT_EQ(decoded, 3) << "jlha did not compress the files with the method";
    }
}

// ---------------------------------------------------------------- packed data taken from an earlier archive

namespace {

// A store of year tables and settings files under "dDB".
Tree reuseStore()
{
    Tree t;
    t.folders = {"dDB", "dDB/A社", "dDB/B社"};
    for (int y = 2010; y <= 2012; ++y) {
        t.files[QStringLiteral("dDB/A社/%1.csv").arg(y)] = archivetest::demandTable(y, 4000);
        t.files[QStringLiteral("dDB/B社/%1.csv").arg(y)] = archivetest::demandTable(y + 20, 4000);
    }
    t.files["dDB/B社/schema.ini"] = "[demand.csv]\r\nFormat=FixedLength\r\n";
    t.files["dDB/empty.txt"] = QByteArray();
    return t;
}

// The store packed as a save packs it, taking data from `earlier` ("" none);
// returns the entries that took it.
int packStore(const QString &archive, const QString &store, const QString &earlier = QString())
{
    std::unique_ptr<ArchiveWriter> writer = prepareFolderArchive(archive, store, QStringLiteral("dDB"), earlier);
    writer->flush();
    writer->commit();
    return writer->reusedCount();
}

// Three bytes, not all zero, whose CRC is 0: XORed onto the end of data of
// the same length they leave its CRC as it was (the CRC is linear).
QByteArray crcNeutralTail()
{
    for (std::uint32_t v = 1; v < (1u << 24); ++v) {
        const char b[3] = {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
        if (crc16(0, b, 3) == 0)
            return QByteArray(b, 3);
    }
    return QByteArray();
}

void expectLhaExtracts(const QString &archive, const QString &into, const Tree &tree)
{
    const QString lha = lhaProgram();
    ASSERT_FALSE(lha.isEmpty()) << "the lha command (package lhasa) is needed";
    ASSERT_TRUE(QDir().mkpath(into));
    const archivetest::ProcessResult extracted = archivetest::run(lha, {"xf", archive}, into);
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err.toStdString();
    EXPECT_EQ(archivetest::readRawTree(into), asCp932(tree));
}

} // namespace

// Nothing changed: every table takes its data from the earlier archive (the
// settings file was stored, not packed, and the empty file has no data), and
// the archive is byte for byte the one packing from scratch makes.
TEST(EarlierArchive, UnchangedTablesTakeTheirDataAndTheArchiveIsTheSame)
{
    QTemporaryDir dir;
    const Tree tree = reuseStore();
    archivetest::writeTree(dir.filePath("src"), tree);
    const QString store = dir.filePath("src/dDB");
    EXPECT_EQ(packStore(dir.filePath("first.dmd"), store), 0);
    EXPECT_EQ(packStore(dir.filePath("again.dmd"), store, dir.filePath("first.dmd")), 6);
    EXPECT_EQ(archivetest::readFile(dir.filePath("again.dmd")), archivetest::readFile(dir.filePath("first.dmd")));
    expectLhaExtracts(dir.filePath("again.dmd"), dir.filePath("x"), tree);
    // On the calling thread alone the same.
    setWorkerThreads(1);
    EXPECT_EQ(packStore(dir.filePath("alone.dmd"), store, dir.filePath("first.dmd")), 6);
    setWorkerThreads(0);
    EXPECT_EQ(archivetest::readFile(dir.filePath("alone.dmd")), archivetest::readFile(dir.filePath("first.dmd")));
}

// A table changed in the earlier archive's place keeps its size and even its
// CRC: it is packed anew, and the new archive holds the new bytes.
TEST(EarlierArchive, AChangedTableOfTheSameSizeAndCrcIsPackedAnew)
{
    QTemporaryDir dir;
    Tree tree = reuseStore();
    archivetest::writeTree(dir.filePath("src"), tree);
    const QString store = dir.filePath("src/dDB");
    packStore(dir.filePath("first.dmd"), store);

    const QByteArray tail = crcNeutralTail();
    ASSERT_EQ(tail.size(), 3);
    QByteArray &table = tree.files[QStringLiteral("dDB/A社/2011.csv")];
    const QByteArray before = table;
    for (int i = 0; i < 3; ++i)
        table[table.size() - 3 + i] = static_cast<char>(table[table.size() - 3 + i] ^ tail[i]);
    ASSERT_NE(table, before);
    ASSERT_EQ(crc16(table), crc16(before));
    archivetest::writeTree(dir.filePath("src"), tree);

    EXPECT_EQ(packStore(dir.filePath("again.dmd"), store, dir.filePath("first.dmd")), 5);
    EXPECT_EQ(packStore(dir.filePath("fresh.dmd"), store), 0);
    EXPECT_EQ(archivetest::readFile(dir.filePath("again.dmd")), archivetest::readFile(dir.filePath("fresh.dmd")));
    expectLhaExtracts(dir.filePath("again.dmd"), dir.filePath("x"), tree);
    extract(dir.filePath("again.dmd"), dir.filePath("ours"));
    EXPECT_EQ(archivetest::readFile(dir.filePath("ours/dDB/A社/2011.csv")), table);
}

// A data set opened (extracted) by this process and saved again after one
// table changed in place of its old bytes, keeping its size and CRC: the
// other tables take their data by their digests, the changed one is packed
// anew, and the archive is the one packing from scratch makes, extracted
// byte for byte by lha.
TEST(EarlierArchive, AfterAnExtractionOnlyTheChangedTableIsPackedAnew)
{
    QTemporaryDir dir;
    Tree tree = reuseStore();
    archivetest::writeTree(dir.filePath("src"), tree);
    packStore(dir.filePath("first.dmd"), dir.filePath("src/dDB"));
    // Only what the extraction decodes is known from here on.
    forgetArchives();
    ASSERT_EQ(knownEntries(dir.filePath("first.dmd")), nullptr);
    extract(dir.filePath("first.dmd"), dir.filePath("opened"));
    const std::shared_ptr<const KnownEntries> known = knownEntries(dir.filePath("first.dmd"));
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(known->size(), 6); // the tables; the stored and empty files have no packed data

    const QString store = dir.filePath("opened/dDB");
    EXPECT_EQ(packStore(dir.filePath("same.dmd"), store, dir.filePath("first.dmd")), 6);
    EXPECT_EQ(archivetest::readFile(dir.filePath("same.dmd")), archivetest::readFile(dir.filePath("first.dmd")));

    const QByteArray tail = crcNeutralTail();
    ASSERT_EQ(tail.size(), 3);
    QByteArray &table = tree.files[QStringLiteral("dDB/B社/2012.csv")];
    const QByteArray before = table;
    for (int i = 0; i < 3; ++i)
        table[table.size() - 3 + i] = static_cast<char>(table[table.size() - 3 + i] ^ tail[i]);
    ASSERT_EQ(crc16(table), crc16(before));
    archivetest::writeTree(dir.filePath("opened"), tree);

    EXPECT_EQ(packStore(dir.filePath("again.dmd"), store, dir.filePath("first.dmd")), 5);
    EXPECT_EQ(packStore(dir.filePath("fresh.dmd"), store), 0);
    EXPECT_EQ(archivetest::readFile(dir.filePath("again.dmd")), archivetest::readFile(dir.filePath("fresh.dmd")));
    expectLhaExtracts(dir.filePath("again.dmd"), dir.filePath("x"), tree);
    // The archive just written is known in turn: saved again, every table
    // takes its data from it.
    EXPECT_EQ(packStore(dir.filePath("third.dmd"), store, dir.filePath("again.dmd")), 6);
    EXPECT_EQ(archivetest::readFile(dir.filePath("third.dmd")), archivetest::readFile(dir.filePath("fresh.dmd")));
}

// An archive this process wrote, changed afterwards in its data where it
// lies (same size, the modification time put back): the digests known of it
// no longer count, and the damaged entry is packed anew.
TEST(EarlierArchive, DigestsOfAnArchiveChangedSinceAreNotTrusted)
{
    QTemporaryDir dir;
    const Tree tree = reuseStore();
    archivetest::writeTree(dir.filePath("src"), tree);
    const QString store = dir.filePath("src/dDB");
    packStore(dir.filePath("first.dmd"), store);
    const QByteArray good = archivetest::readFile(dir.filePath("first.dmd"));
    const std::shared_ptr<const KnownEntries> known = knownEntries(dir.filePath("first.dmd"));
    ASSERT_NE(known, nullptr);
    const auto table = known->constFind(toAnsi(QStringLiteral("dDB\\A社\\2011.csv")));
    ASSERT_NE(table, known->cend());

    struct stat before {};
    const QByteArray path = QFile::encodeName(dir.filePath("first.dmd"));
    ASSERT_EQ(::stat(path.constData(), &before), 0);
    {
        QFile f(dir.filePath("first.dmd"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 at = table->dataOffset + static_cast<qint64>(table->compressedSize / 2);
        ASSERT_TRUE(f.seek(at));
        const char flipped = static_cast<char>(good[at] ^ 0x5A);
        ASSERT_EQ(f.write(&flipped, 1), 1);
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    EXPECT_EQ(knownEntries(dir.filePath("first.dmd")), nullptr);

    EXPECT_EQ(packStore(dir.filePath("again.dmd"), store, dir.filePath("first.dmd")), 5);
    EXPECT_EQ(archivetest::readFile(dir.filePath("again.dmd")), good);
    expectLhaExtracts(dir.filePath("again.dmd"), dir.filePath("x"), tree);
}

// An earlier archive damaged in an entry's data, cut short, or gone: what it
// cannot give back exactly is packed anew, and the save does not fail.
TEST(EarlierArchive, ADamagedOrMissingEarlierArchiveIsNeverCopied)
{
    QTemporaryDir dir;
    const Tree tree = reuseStore();
    archivetest::writeTree(dir.filePath("src"), tree);
    const QString store = dir.filePath("src/dDB");
    packStore(dir.filePath("first.dmd"), store);
    const QByteArray good = archivetest::readFile(dir.filePath("first.dmd"));

    // One byte of the packed data of "dDB\A社\2011.csv" changed.
    qint64 offset = 0;
    QFile in(dir.filePath("first.dmd"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    for (;;) {
        LhaHeader h;
        ASSERT_EQ(readHeader(in, h, offset == 0, QStringLiteral("first.dmd")), HeaderRead::Entry);
        if (h.displayName.endsWith(toAnsi(QStringLiteral("2011.csv"))) && h.displayName.contains(toAnsi(QStringLiteral("A社")))) {
            offset = h.dataOffset + static_cast<qint64>(h.compressedSize / 2);
            break;
        }
        offset = h.dataOffset + static_cast<qint64>(h.compressedSize);
        ASSERT_TRUE(in.seek(offset));
    }
    in.close();
    QByteArray damaged = good;
    damaged[offset] = static_cast<char>(damaged[offset] ^ 0x5A);
    archivetest::writeFile(dir.filePath("damaged.dmd"), damaged);
    EXPECT_EQ(packStore(dir.filePath("again.dmd"), store, dir.filePath("damaged.dmd")), 5);
    EXPECT_EQ(archivetest::readFile(dir.filePath("again.dmd")), good);
    expectLhaExtracts(dir.filePath("again.dmd"), dir.filePath("x"), tree);

    archivetest::writeFile(dir.filePath("short.dmd"), good.left(good.size() / 2));
    EXPECT_EQ(packStore(dir.filePath("short-again.dmd"), store, dir.filePath("short.dmd")), 0);
    EXPECT_EQ(archivetest::readFile(dir.filePath("short-again.dmd")), good);
    EXPECT_EQ(packStore(dir.filePath("gone-again.dmd"), store, dir.filePath("gone.dmd")), 0);
    EXPECT_EQ(archivetest::readFile(dir.filePath("gone-again.dmd")), good);
}
