// The service mode reads its count file from the bytes and looks the counts
// up by number. These tests hold the byte reading to the reading through
// the decoded text, line by line, and a whole service store run to the run
// that reads the counts as texts and looks them up by text.
#include "storeFixture.h"

#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/alarmInfoFile.h"
#include "talvik/core/tests/support/alarmInfoReference.h"
#include "talvik/store/clsDataDSrv.h"
#include "talvik/store/keyIndex.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QSet>

#include <map>
#include <random>

using namespace storetest;

namespace {

// The reading of the table: its rows and the error that stopped it.
struct Reading {
    std::vector<talvik::AlarmInfoRow> rows;
    std::vector<qint64> keys;
    int error = 0;
};

Reading byteReading(const QByteArray &bytes)
{
    Reading r;
    talvik::AlarmInfoTable table;
    try {
        table.parse(bytes);
    } catch (const platform::RuntimeError &e) {
        r.error = e.Number();
    }
    for (int i = 0; i < table.count(); ++i) {
        r.rows.push_back(table.row(i));
        r.keys.push_back(table.timeKey(i));
    }
    return r;
}

// The key a half hour's text "20YYMMDDHHMM" can match: the number of a
// twelve-digit text, else -1.
qint64 textKey(const QString &timeKey)
{
    if (timeKey.size() != 12)
        return -1;
    for (const QChar c : timeKey)
        if (c < u'0' || c > u'9')
            return -1;
    return timeKey.toLongLong();
}

void expectSameReading(const QByteArray &bytes)
{
    int error = 0;
    const std::vector<talvik::AlarmInfoRow> reference = alarmreference::rows(bytes, error);
    const Reading fast = byteReading(bytes);
    const std::string trace = bytes.toPercentEncoding(" ,").toStdString();
    ASSERT_EQ(fast.error, error) << trace;
    ASSERT_EQ(fast.rows.size(), reference.size()) << trace;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        EXPECT_EQ(fast.rows[i].timeKey, reference[i].timeKey) << trace << " row " << i;
        EXPECT_EQ(fast.rows[i].cautionCount, reference[i].cautionCount) << trace << " row " << i;
        EXPECT_EQ(fast.rows[i].limitCount, reference[i].limitCount) << trace << " row " << i;
        EXPECT_EQ(fast.keys[i], textKey(reference[i].timeKey)) << trace << " row " << i;
    }
}

TEST(CountFileEquality, AwkwardFilesReadAsTheTextReadingReadsThem)
{
    const QByteArray cases[] = {
        "",
        "20240513,1000,3,1\r\n",
        "20240513,1000,3,1",                        // no final line end
        "20240513,1000,3,1\n20240513,1030,0,0\r",   // LF and lone CR
        "20240513,1000,3,1\r\r\n20240513,1030,0,0", // an empty line between
        "20240513,1000,3,1\r\n\r\n",                // an empty last line
        "20240513,1000,3\r\n",                      // short
        ",,,\r\n",                                  // four empty fields
        "2024051,31000, 7 ,\t2\t,more,fields\r\n",  // key split elsewhere, extra fields
        "20990101,0000,5,5\r\n",                    // the end row's key
        "20240013,1000,1,1\r\n20240500,1000,1,1\r\n20241301,2400,1,1\r\n", // month and day zero, out of range
        "00000000,0000,0,0\r\n2024-5-13,10:00,1,1\r\n202405131,000,1,1\r\n",
        "20240513,1000,99999999999999999999,-1\r\n",
        "20240513,1000,\x81\x40" "3,\x82\x50\r\n",  // ideographic space, full-width digit
        "\x93\xfa\x95\x74,1000,1,1\r\n",            // CP932 in the key
        "20240513,1000,1,1,\x94\xf5\x8d\x6c\r\n",   // CP932 only in an extra field
        "20240513,1000,1,1\r\n20240513,1030,\x82,0\r\n20240513,1100,1,1\r\n", // not CP932
        "20240513,1000,1,\x82\r\n",                 // a lead byte at the line's end
        "\x82\x2c\x31,1000,1,1\r\n",                // a lead byte before ","
    };
    for (const QByteArray &c : cases)
        expectSameReading(c);
}

TEST(CountFileEquality, GeneratedFilesReadAsTheTextReadingReadsThem)
{
    std::mt19937 rng(27);
    // Fragments lines are made of: digits, separators, blanks, line ends,
    // signs, CP932 characters, a lone lead byte.
    const QByteArray fragments[] = {"0", "1", "2", "9", "20", "2024", "0513", "1000", ",", ",", ",", " ", "\t", "\r\n",
                                 "\n", "\r", "-", "+", ".", "x", "\x81\x40", "\x82\x4f", "\x88\x9f", "\x82", "00000000000000000000"};
    for (int n = 0; n < 3000; ++n) {
        QByteArray bytes;
        const int lines = int(rng() % 6);
        for (int l = 0; l < lines; ++l) {
            if (rng() % 2) {
                // A well-formed line, perhaps with one fragment put in.
                QByteArray line = "2024" + QByteArray::number(rng() % 14).rightJustified(2, '0')
                                  + QByteArray::number(rng() % 33).rightJustified(2, '0') + ','
                                  + QByteArray::number(rng() % 2400).rightJustified(4, '0') + ','
                                  + QByteArray::number(rng() % 12000) + ',' + QByteArray::number(rng() % 3);
                if (rng() % 3 == 0)
                    line.insert(qsizetype(rng() % (line.size() + 1)), fragments[rng() % std::size(fragments)]);
                bytes += line + "\r\n";
            } else {
                const int k = int(rng() % 12);
                for (int i = 0; i < k; ++i)
                    bytes += fragments[rng() % std::size(fragments)];
            }
        }
        expectSameReading(bytes);
        if (HasFailure())
            return;
    }
}

TEST(CountFileEquality, CountsNormaliseAsTheirTexts)
{
    const char *fixed[] = {"", " ", "0", "7", "00012", " 42 ", "\t42\x0b", "\x1c" "1", "1\x1f", "9999", "10000",
                           "9223372036854775807", "9223372036854775808", "18446744073709551616",
                           "000000000000000000000000000001", "-001", "+5", "1.5", "1 2", "x"};
    for (const char *f : fixed) {
        char out[4];
        talvik::clsDataDSrv::normaliseCount(QByteArrayView(f), out);
        EXPECT_EQ(QByteArray(out, 4), talvik::clsDataDSrv::normaliseCount(QString::fromLatin1(f)).toLatin1()) << f;
    }
    std::mt19937 rng(4);
    const char alphabet[] = "0123456789012345678901234567890123456789 \t\x0b\x0c\x1c\x1f+-.x";
    for (int n = 0; n < 100000; ++n) {
        QByteArray f;
        const int len = int(rng() % 24);
        for (int i = 0; i < len; ++i)
            f += alphabet[rng() % (sizeof alphabet - 1)];
        char out[4];
        talvik::clsDataDSrv::normaliseCount(f, out);
        ASSERT_EQ(QByteArray(out, 4), talvik::clsDataDSrv::normaliseCount(QString::fromLatin1(f)).toLatin1()) << f.constData();
    }
}

TEST(CountFileEquality, KeyIndexKeepsTheFirstRowOfEachKeyAsItGrows)
{
    std::mt19937_64 rng(8);
    talvik::KeyIndex index;
    std::map<qint64, int> first;
    for (int row = 0; row < 60000; ++row) {
        const qint64 key = qint64(rng() % 40000) * 1000003 + 200000000000;
        index.insertFirst(key, row);
        first.emplace(key, row);
    }
    for (const auto &[key, row] : first)
        ASSERT_EQ(index.find(key), row) << key;
    EXPECT_EQ(index.find(0), -1);
    EXPECT_EQ(index.find(200000000001), -1);
}

// The service record as it stored counts before: the count file read line
// by line through the text, counts looked up by the key's text.
class TextCountsRecord : public talvik::clsDataDSrv {
protected:
    bool expandRecvData(const QString &folder, bool shiftBack) override
    {
        QFile f(platform::shell::toNativePath(countFilePath(m_customer)));
        const bool found = f.open(QIODevice::ReadOnly);
        int error = 0;
        std::vector<talvik::AlarmInfoRow> rows = alarmreference::rows(found ? f.readAll() : QByteArray(), error);
        rows.push_back({QStringLiteral("209901010000"), QString(), QString()});
        QHash<QString, int> index;
        for (int i = 0; i < int(rows.size()); ++i)
            if (rows[i].timeKey != u"209901010000" && !index.contains(rows[i].timeKey))
                index.insert(rows[i].timeKey, i);
        const QByteArray none = found && error == 0 ? "0000" : "-001";
        const QByteArray created = createdNow().toLatin1();
        talvik::RowLines staging;
        for (int i = 0; i < m_count; ++i) {
            const QString key = recordKey(i, shiftBack);
            const int pos = index.value(QStringLiteral("20") + key, -1);
            QByteArray line = key.toLatin1() + wattBytes(i).toByteArray() + created;
            if (pos >= 0)
                line += normaliseCount(rows[std::size_t(pos)].cautionCount).toLatin1()
                        + normaliseCount(rows[std::size_t(pos)].limitCount).toLatin1();
            else
                line += none + none;
            staging.put(key.toLatin1(), line);
        }
        writeStaging(folder, staging);
        return true;
    }
};


class ServiceImportEquality : public StoreTest {
protected:
    // A count file with what the reading must keep apart: repeated half
    // hours (the first counts), the end row's key, a key split across its
    // fields, CP932 blanks and digits, values past 9999 and past the 64-bit
    // range, month zero; and half hours with no count row.
    static QByteArray countFile()
    {
        QByteArray c;
        QDateTime t(QDate(2023, 12, 31), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 200; ++i, t = t.addSecs(1800)) {
            if (i % 9 == 4)
                continue;
            const QByteArray day = t.toString(QStringLiteral("yyyyMMdd")).toLatin1();
            const QByteArray time = t.toString(QStringLiteral("HHmm")).toLatin1();
            QByteArray caution = QByteArray::number(i % 13), limit = QByteArray::number(i % 4);
            switch (i % 11) {
            case 1: caution = " " + caution + "\t"; break;
            case 2: caution = "\x81\x40" + caution; break;           // ideographic space
            case 3: limit = "\x82\x52"; break;                       // full-width 3
            case 4: caution = "123456"; break;
            case 5: limit = "99999999999999999999"; break;
            case 6: caution = "-1"; break;
            case 7: limit = ""; break;
            default: break;
            }
            if (i % 17 == 0)
                c += day.left(7) + ',' + day.mid(7) + time + ',' + caution + ',' + limit + "\r\n";
            else
                c += day + ',' + time + ',' + caution + ',' + limit + "\r\n";
            if (i % 23 == 0)
                c += day + ',' + time + ",7777,7777\r\n";
        }
        c += "20990101,0000,5,5\r\n20240013,1000,1,1\r\n20240101,0130,1,1,\x94\xf5\x8d\x6c\r\n";
        return c;
    }
    // 2023 as the ordinary data window wrote it (4 columns), one half hour
    // of it received again: its rows get "no count", the table 6 columns.
    void seedFourColumnYear()
    {
        writeFile(QStringLiteral("dDB.tran\\Kita\\2023年\\schema.ini"), talvik::schemaText(false));
        writeFile(QStringLiteral("dDB.tran\\Kita\\2023年\\demand.csv"),
                  "23010100000042202301010000\r\n23123023300043202312310000\r\n");
    }
    void run(talvik::clsDataDSrv &d, bool shiftBack)
    {
        d.setCustomer(QStringLiteral("Kita"));
        d.getSendCMD();
        QDateTime t(QDate(2023, 12, 30), QTime(23, 30), Qt::UTC);
        for (int i = 0; i < 220; ++i, t = t.addSecs(1800))
            ASSERT_TRUE(d.setRecvData(block(t.toString(QStringLiteral("yyMMddHHmm")).toLatin1().constData(),
                                            QByteArray::number(i).rightJustified(4, '0').constData(), i == 219),
                                      18));
        ASSERT_TRUE(d.fire(shiftBack)) << messages.join(u'\n').toStdString();
    }
};

TEST_F(ServiceImportEquality, StoreRunWritesTheFilesOfTheTextCounts)
{
    talvik::storeServices().getCsvFileAlarmInfo = talvik::StoreServices::programGetCsvFileAlarmInfo;
    talvik::dataFolder = home() + QStringLiteral("\\input");
    for (const bool withFile : {true, false}) {
        for (const bool shiftBack : {false, true}) {
            SCOPED_TRACE(std::string(withFile ? "count file" : "no count file") + (shiftBack ? ", shifted" : ""));
            QDir(home()).removeRecursively();
            QDir().mkpath(home());
            if (withFile)
                writeFile(QStringLiteral("input\\Kitaas.csv"), countFile());
            seedFourColumnYear();
            talvik::clsDataDSrv fast;
            run(fast, shiftBack);
            const QMap<QString, QByteArray> fastFiles = filesBelow(home() + QStringLiteral("/dDB.tran"));
            const QByteArray fastStaging = readFile(QStringLiteral("dDB.dl\\demand.csv"));
            const QStringList fastLog = logLines;

            QDir(home() + QStringLiteral("/dDB.tran")).removeRecursively();
            QDir(home() + QStringLiteral("/dDB.dl")).removeRecursively();
            logLines.clear();
            seedFourColumnYear();
            TextCountsRecord reference;
            run(reference, shiftBack);
            EXPECT_EQ(fastLog, logLines);
            EXPECT_EQ(fastStaging, readFile(QStringLiteral("dDB.dl\\demand.csv")));
            EXPECT_EQ(fastFiles, filesBelow(home() + QStringLiteral("/dDB.tran")));
            // The run stored the two years; with the file the counts took
            // every form (found, cut to 9999, not a count), without it none.
            ASSERT_EQ(fastFiles.size(), 4);
            EXPECT_TRUE(fastFiles.value(QStringLiteral("Kita/2023年/demand.csv"))
                            .startsWith("23010100000042202301010000-001-001\r\n"));
            EXPECT_EQ(fastFiles.value(QStringLiteral("Kita/2023年/schema.ini")), talvik::schemaText(true));
            QSet<QByteArray> counts;
            int lines = 0;
            for (const QByteArray &line : fastStaging.split('\n'))
                if (line.size() == 35) {
                    ++lines;
                    counts << line.mid(26, 4) << line.mid(30, 4);
                }
            EXPECT_EQ(lines, 220);
            if (withFile) {
                EXPECT_GT(counts.size(), 10);
                EXPECT_TRUE(counts.contains("9999") && counts.contains("-001") && counts.contains("0000"));
            } else {
                EXPECT_EQ(counts, QSet<QByteArray>{"-001"});
            }
            logLines.clear();
        }
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(ServiceImportEquality, BlockHandedOverStaysTheCallersOwn)
{
    // The record keeps a copy of each block; the caller's buffer is not
    // shared with it, so refilling it for the next block copies nothing.
    talvik::clsDataD d;
    d.getSendCMD();
    QByteArray frame = block("2405131000", "0123");
    ASSERT_TRUE(d.setRecvData(frame, 18));
    const char *before = frame.constData();
    frame[3] = '9';
    frame[13] = '7';
    EXPECT_EQ(frame.constData(), before);
    d.setIdx(0);
    EXPECT_EQ(d.year(), QStringLiteral("24"));
    EXPECT_EQ(d.watt(), QStringLiteral("0123"));
    ASSERT_TRUE(d.setRecvData(frame, 18));
    d.setIdx(1);
    EXPECT_EQ(d.year(), QStringLiteral("94"));
    EXPECT_EQ(d.watt(), QStringLiteral("7123"));
    EXPECT_EQ(d.count(), 2);
}

} // namespace
