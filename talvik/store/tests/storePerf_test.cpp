// The store run reads the program's own tables straight from the file and
// builds the records' keys from their digits. These tests hold it to the
// bytes of the reading through the text driver and of the calendar keys: the
// same store is run both ways and every file and log line compared.
#include "storeFixture.h"

#include "platform/textdb/textdb.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsDataDSrv.h"
#include "talvik/store/demandTable.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <random>

using namespace storetest;

namespace {

// The record key as the store built it before: through the calendar.
QString calendarKey(const QByteArray &r, bool shiftBack)
{
    const QDate date(2000 + r.mid(3, 2).toInt(), r.mid(5, 2).toInt(), r.mid(7, 2).toInt());
    QDateTime t(date, QTime(r.mid(9, 2).toInt(), r.mid(11, 2).toInt()), Qt::UTC);
    if (shiftBack)
        t = t.addSecs(-30 * 60);
    return t.toString(QStringLiteral("yyMMddHHmm"));
}

// The store record with its key exposed, or run as before: tables read by
// the driver and keys through the calendar.
class Record : public talvik::clsDataD {
public:
    explicit Record(bool reference = false) : m_reference(reference) { setReadTablesByDriver(reference); }
    QString key(int i, bool shiftBack) const { return recordKey(i, shiftBack); }

protected:
    bool expandRecvData(const QString &folder, bool shiftBack) override
    {
        if (!m_reference)
            return clsDataD::expandRecvData(folder, shiftBack);
        talvik::OrderedRows staging;
        for (int i = 0; i < m_count; ++i) {
            m_idx = i;
            staging.put(calendarKey(record(i).toByteArray(), shiftBack), {watt(), createdNow()});
        }
        writeStaging(folder, staging);
        return true;
    }

private:
    bool m_reference;
};

QByteArray rdBlock(const QDateTime &t, int watt, bool last)
{
    return "\x02RD" + t.toString(QStringLiteral("yyMMddHHmm")).toLatin1()
           + QByteArray::number(watt).rightJustified(4, '0') + (last ? "\x03" : "\x17");
}


class StoreEquality : public StoreTest {
protected:
    // A store with tables of every kind the run meets: written by the
    // program, rows out of order, a repeated key, a non-ASCII field, a short
    // line and blank lines, a folder without a table.
    void seed(const QString &home)
    {
        auto put = [&](const QString &relative, const QByteArray &bytes) {
            const QString path = home + u'/' + relative;
            QDir().mkpath(QFileInfo(path).path());
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        };
        const QByteArray schema = talvik::schemaText(false);
        QByteArray y19;
        QDateTime t(QDate(2019, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 3000; ++i, t = t.addSecs(1800))
            y19 += t.toString(QStringLiteral("yyMMddHHmm")).toLatin1() + QByteArray::number(i % 10000).rightJustified(4, '0')
                   + "201901010000\r\n";
        put(QStringLiteral("dDB.tran/Kita/2019年/demand.csv"), y19);
        put(QStringLiteral("dDB.tran/Kita/2019年/schema.ini"), schema);
        put(QStringLiteral("dDB.tran/Kita/2020年/demand.csv"),
            "2007010030 123202001010000\r\n2001010000012302020010100\r\n\r\n200101003000452020\r\n"
            "20010100000999202001019999\r\n2003\r\n");
        put(QStringLiteral("dDB.tran/Kita/2020年/schema.ini"), schema);
        put(QStringLiteral("dDB.tran/Kita/2021年/demand.csv"),
            "2101010000000120210101000\r\n2101010000000220210101000\r\n2101010030000320210101000\r\n");
        put(QStringLiteral("dDB.tran/Kita/2021年/schema.ini"), schema);
        put(QStringLiteral("dDB.tran/Kita/2022年/demand.csv"),
            "2201010100000120220101\x82\x60\r\n2201010030000220220101\r\n");
        put(QStringLiteral("dDB.tran/Kita/2022年/schema.ini"), schema);
        QDir().mkpath(home + QStringLiteral("/dDB.tran/Kita/2018年"));
        // A year with a schema of its own (a wider watt column).
        QByteArray own = schema;
        own.replace("Col3=watt char Width 4", "Col3=watt char Width 5");
        put(QStringLiteral("dDB.tran/Kita/2023年/schema.ini"), own);
        put(QStringLiteral("dDB.tran/Kita/2023年/demand.csv"), "230101003012345202301010000\r\n");
        // A table with the count columns, merged into by the plain record
        // (its rows get "no count"), and a table without them, merged into
        // by the service record (its old rows get "no count").
        put(QStringLiteral("dDB.tran/Kita/2019年/schema.ini"), talvik::schemaText(true));
        put(QStringLiteral("dDB.tran/Kita/2019年/demand.csv"),
            "19010100000100201901010000-001-001\r\n1901010030020020190101000000070002\r\n");
        put(QStringLiteral("dDB.tran/Minami/2022年/schema.ini"), schema);
        put(QStringLiteral("dDB.tran/Minami/2022年/demand.csv"),
            "2201010000000120220101\r\n2201020000000220220102\r\n");
    }

    // Transfers over the years' ends, in and out of order, with repeated
    // half hours; then a shifted run and a service run.
    void runs(bool reference)
    {
        std::mt19937 rng(99);
        Record d(reference);
        d.setCustomer(QStringLiteral("Kita"));
        d.getSendCMD();
        std::vector<QDateTime> times;
        for (const QDate day : {QDate(2018, 12, 31), QDate(2019, 12, 31), QDate(2020, 12, 31), QDate(2021, 12, 31),
                                QDate(2022, 12, 31)})
            for (int i = 0; i < 96; ++i)
                times.push_back(QDateTime(day, QTime(0, 0), Qt::UTC).addSecs(1800 * i));
        for (int i = 0; i < 400; ++i)
            times.push_back(QDateTime(QDate(2019, 1, 1), QTime(0, 0), Qt::UTC).addSecs(1800 * qint64(rng() % 70000)));
        times.push_back(times[10]);
        times.push_back(times[200]);
        for (std::size_t i = 0; i < times.size(); ++i)
            ASSERT_TRUE(d.setRecvData(rdBlock(times[i], int(rng() % 10000), i + 1 == times.size()), 18));
        ASSERT_TRUE(d.fire(false)) << messages.join(u'\n').toStdString();

        d.getSendCMD();
        for (int i = 0; i < 300; ++i)
            d.setRecvData(rdBlock(QDateTime(QDate(2020, 12, 31), QTime(20, 0), Qt::UTC).addSecs(1800 * i),
                                int(rng() % 10000), i == 299),
                          18);
        ASSERT_TRUE(d.fire(true)) << messages.join(u'\n').toStdString();

        talvik::clsDataDSrv srv;
        srv.setReadTablesByDriver(reference);
        srv.setCustomer(QStringLiteral("Minami"));
        srv.getSendCMD();
        for (int i = 0; i < 200; ++i)
            srv.setRecvData(rdBlock(QDateTime(QDate(2021, 12, 31), QTime(0, 0), Qt::UTC).addSecs(1800 * (199 - i)),
                                  int(rng() % 10000), i == 199),
                            18);
        ASSERT_TRUE(srv.fire(false)) << messages.join(u'\n').toStdString();
    }
};

TEST_F(StoreEquality, StoreRunsWriteTheSameFilesAndLogAsTheDriverReading)
{
    QTemporaryDir referenceHome;
    ASSERT_TRUE(referenceHome.isValid());
    seed(home());
    seed(referenceHome.path());

    runs(false);
    const QStringList lines = logLines;
    const QStringList shown = messages;
    logLines.clear();
    messages.clear();
    qputenv("TALVIK_HOME", referenceHome.path().toUtf8());
    runs(true);
    qputenv("TALVIK_HOME", home().toUtf8());

    EXPECT_EQ(lines, logLines);
    EXPECT_EQ(shown, messages);
    ASSERT_EQ(lines.size(), 3);
    const QMap<QString, QByteArray> fast = filesBelow(home()), reference = filesBelow(referenceHome.path());
    EXPECT_EQ(fast.keys(), reference.keys());
    for (auto it = reference.cbegin(); it != reference.cend(); ++it)
        EXPECT_EQ(fast.value(it.key()), it.value()) << it.key().toStdString();
    // The runs went through every kind of table: the merged years and the
    // staging table of the last run are there.
    for (const char *path : {"dDB.tran/Kita/2018年/demand.csv", "dDB.tran/Kita/2022年/demand.csv",
                             "dDB.tran/Kita/2023年/demand.csv", "dDB.tran/Minami/2022年/demand.csv",
                             "dDB.tran/Kita/2019年/demand.csv",
                             "dDB.dl/demand.csv", "dDB.dl/schema.ini"})
        EXPECT_TRUE(fast.contains(QString::fromUtf8(path))) << path;
}

class DirectReading : public StoreTest {
protected:
    // The rows the driver gives for "Order by getdt,gettm".
    QList<QStringList> driverRows(const QString &folder, int ncol)
    {
        platform::textdb::Connection cn;
        platform::textdb::Recordset rs;
        talvik::openTable(cn, rs, folder,
                          ncol == 6 ? QStringLiteral("Select getdt,gettm,watt,created,created1,created2 from demand.csv "
                                                     "Order by getdt,gettm")
                                    : QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt,gettm"));
        QList<QStringList> rows;
        while (!rs.Eof()) {
            rows.append(talvik::rowValues(rs, ncol));
            rs.MoveNext();
        }
        return rows;
    }
    void table(const QByteArray &data, bool service = false)
    {
        writeFile(QStringLiteral("t\\schema.ini"), talvik::schemaText(service));
        writeFile(QStringLiteral("t\\demand.csv"), data);
        platform::textdb::invalidateTable(home() + QStringLiteral("/t/demand.csv"));
    }
    QString folder() const { return home() + QStringLiteral("/t"); }
};

TEST_F(DirectReading, GivesTheDriversRowsInTheDriversOrder)
{
    const QByteArray cases[] = {
        // in order, as written by the store
        "1901010000012320240102091\r\n1901010030012420240102091\r\n",
        // out of order, blanks and tabs at field ends, short and empty lines,
        // LF-only ends, an end-of-file mark
        "1902010030 1 2 2024\t\r\n190101 00012320240102\r\n\r\n1901\n19010100 \t0124\n\x1a\r\n1812312330",
        // getdt sorts before gettm; a shorter text first
        "19010 1000999\r\n190101100 0998\r\n1901011000 997\r\n",
        // nothing at all
        "",
    };
    for (const QByteArray &data : cases) {
        table(data);
        QList<QStringList> rows;
        ASSERT_TRUE(talvik::readOrderedTable(folder(), false, rows)) << data.constData();
        EXPECT_EQ(rows, driverRows(folder(), 4)) << data.constData();
    }
    table("2101010030000320210101000-00100020\r\n2101010000000120210101000-0010002\r\n", true);
    QList<QStringList> rows;
    ASSERT_TRUE(talvik::readOrderedTable(folder(), true, rows));
    EXPECT_EQ(rows, driverRows(folder(), 6));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].join(u'|'), QStringLiteral("210101|0000|0001|20210101000-|0010|002"));
}

TEST_F(DirectReading, LeavesToTheDriverWhatItCouldReadOtherwise)
{
    QList<QStringList> rows;
    // A repeated key: the order of equal keys is the driver's own.
    table("2101010000000120210101000\r\n2101010000000220210101000\r\n");
    EXPECT_FALSE(talvik::readOrderedTable(folder(), false, rows));
    // A CP932 field.
    table("2201010100000120220101\x82\x60\r\n");
    EXPECT_FALSE(talvik::readOrderedTable(folder(), false, rows));
    // A schema other than the program's (here the service record's).
    table("2201010100000120220101\r\n", true);
    EXPECT_FALSE(talvik::readOrderedTable(folder(), false, rows));
    // No table.
    table("2201010100000120220101\r\n");
    QFile::remove(folder() + QStringLiteral("/demand.csv"));
    EXPECT_FALSE(talvik::readOrderedTable(folder(), false, rows));
    // No schema.
    table("2201010100000120220101\r\n");
    QFile::remove(folder() + QStringLiteral("/schema.ini"));
    EXPECT_FALSE(talvik::readOrderedTable(folder(), false, rows));
}

TEST_F(DirectReading, RecordKeysMatchTheCalendarOnEveryDayOfTheCentury)
{
    Record d;
    d.getSendCMD();
    QDate day(2000, 1, 1);
    const QTime times[] = {QTime(0, 0), QTime(0, 29), QTime(0, 30), QTime(0, 31), QTime(12, 0), QTime(23, 59)};
    int n = 0;
    for (; day.year() < 2100; day = day.addDays(1))
        for (const QTime &t : times) {
            const QByteArray b = rdBlock(QDateTime(day, t, Qt::UTC), 1, false);
            ASSERT_TRUE(d.setRecvData(b, 18));
            for (const bool shift : {false, true})
                ASSERT_EQ(d.key(n, shift), calendarKey(b, shift)) << b.mid(3, 10).constData() << shift;
            ++n;
        }
    EXPECT_EQ(n, 36525 * 6);
}

} // namespace
