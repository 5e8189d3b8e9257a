#include "talvik/store/clsDataD.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/forms/flexgrid.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"
#include "talvik/core/basComFunction.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/stagingArea.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QTableView>
#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <exception>

namespace talvik {

namespace {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ETB = 0x17;
constexpr int blockLength = 18;
constexpr qint64 pumpIntervalMs = 10;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Two digits at pos as a number, or -1.
int twoDigits(const char *b, int pos)
{
    if (!isDigit(b[pos]) || !isDigit(b[pos + 1]))
        return -1;
    return (b[pos] - '0') * 10 + (b[pos + 1] - '0');
}

// A row of 4 values with the two count columns of "no count" added; a row
// of 6 stays as it is.
QStringList withCountColumns(const QStringList &values)
{
    if (values.size() >= 6)
        return values;
    QStringList row = values;
    while (row.size() < 4)
        row << QString();
    row << noCountValue << noCountValue;
    return row;
}

QString describe(const std::exception_ptr &ep)
{
    try {
        std::rethrow_exception(ep);
    } catch (const platform::RuntimeError &e) {
        return e.Description();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("予期しないエラーが発生しました。");
    }
}

} // namespace

// ---- OrderedRows ----

bool OrderedRows::put(const QString &key, const QStringList &item)
{
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd()) {
        m_items[*it] = item;
        return false;
    }
    m_index.insert(key, int(m_keys.size()));
    m_keys.push_back(key);
    m_items.push_back(item);
    return true;
}

void OrderedRows::clear()
{
    m_index.clear();
    m_keys.clear();
    m_items.clear();
}

// ---- RowLines ----

namespace {

std::size_t hashOf(QByteArrayView key)
{
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : key) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return std::size_t(h ^ (h >> 29));
}

constexpr int kLineWidths[] = {6, 4, 4, 12, 4, 4};

// A table line of the fields of a row, each cut or padded with blanks to
// its width (QString::leftJustified(width, ' ', true) on the ASCII text);
// with `counts` a row of fewer than 6 fields gets the count columns of "no
// count" (blank fields up to the 4th). Written into the reused buffer.
void composeLine(QByteArray &line, const QByteArrayView *fields, int n, bool counts)
{
    const int m = std::min(n, 6);
    const bool addCounts = counts && n < 6;
    int width = 0;
    for (int c = 0; c < (addCounts ? std::max(m, 4) : m); ++c)
        width += kLineWidths[c];
    if (addCounts)
        width += 8;
    line.resize(width);
    char *out = line.data();
    auto put = [&out](QByteArrayView value, int w) {
        const qsizetype k = std::min<qsizetype>(value.size(), w);
        if (k > 0)
            std::memcpy(out, value.data(), std::size_t(k));
        std::memset(out + k, ' ', std::size_t(w - k));
        out += w;
    };
    for (int c = 0; c < m; ++c)
        put(fields[c], kLineWidths[c]);
    if (addCounts) {
        for (int c = m; c < 4; ++c)
            put(QByteArrayView(), kLineWidths[c]);
        std::memcpy(out, "-001-001", 8);
    }
}

// The dictionary key of a row: getdt & gettm.
void composeKey(QByteArray &key, const TableRowView &r)
{
    key.resize(r.fields[0].size() + r.fields[1].size());
    if (!r.fields[0].isEmpty())
        std::memcpy(key.data(), r.fields[0].data(), std::size_t(r.fields[0].size()));
    if (!r.fields[1].isEmpty())
        std::memcpy(key.data() + r.fields[0].size(), r.fields[1].data(), std::size_t(r.fields[1].size()));
}

} // namespace

void RowLines::clear()
{
    m_bytes.clear();
    m_rows.clear();
    m_slots.clear();
}

int RowLines::find(QByteArrayView key, std::size_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const int slot = m_slots[i];
        if (slot == 0 || keyAt(m_rows[std::size_t(slot - 1)]) == key)
            return int(i);
    }
}

void RowLines::grow()
{
    rehash(std::max<std::size_t>(1024, m_slots.size() * 2));
}

void RowLines::rehash(std::size_t size)
{
    m_slots.assign(size, 0);
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const std::size_t mask = size - 1;
        std::size_t i = hashOf(keyAt(m_rows[r])) & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = int(r + 1);
    }
}

void RowLines::reserve(std::size_t rows, std::size_t bytesPerRow)
{
    m_rows.reserve(rows);
    m_bytes.reserve(rows * bytesPerRow);
    std::size_t size = std::max<std::size_t>(1024, m_slots.size());
    while (size < (rows + 1) * 2)
        size *= 2;
    if (size > m_slots.size())
        rehash(size);
}

bool RowLines::put(QByteArrayView key, QByteArrayView line)
{
    if ((m_rows.size() + 1) * 2 > m_slots.size())
        grow();
    const int at = find(key, hashOf(key));
    if (const int slot = m_slots[std::size_t(at)]; slot != 0) {
        Row &r = m_rows[std::size_t(slot - 1)];
        if (line.size() == r.lineSize) {
            std::memcpy(m_bytes.data() + r.line, line.data(), std::size_t(line.size()));
        } else {
            r.line = qsizetype(m_bytes.size());
            r.lineSize = int(line.size());
            m_bytes.insert(m_bytes.end(), line.begin(), line.end());
        }
        return false;
    }
    const qsizetype start = qsizetype(m_bytes.size());
    Row r{start, start + key.size(), int(key.size()), int(line.size())};
    m_bytes.insert(m_bytes.end(), key.begin(), key.end());
    m_bytes.insert(m_bytes.end(), line.begin(), line.end());
    m_rows.push_back(r);
    m_slots[std::size_t(at)] = int(m_rows.size());
    return true;
}

void RowLines::encode(QByteArray &image, QList<QByteArray> &lines) const
{
    qsizetype total = 0;
    for (const Row &r : m_rows)
        total += r.lineSize + 2;
    image.clear();
    image.resize(total);
    char *out = image.data();
    for (const Row &r : m_rows) {
        std::memcpy(out, m_bytes.data() + r.line, std::size_t(r.lineSize));
        out += r.lineSize;
        *out++ = '\r';
        *out++ = '\n';
    }
    lines.clear();
    lines.reserve(qsizetype(m_rows.size()));
    qsizetype at = 0;
    for (const Row &r : m_rows) {
        lines.append(QByteArray::fromRawData(image.constData() + at, r.lineSize + 2));
        at += r.lineSize + 2;
    }
}

// ---- record members ----

void clsDataD::initData()
{
    m_count = 0;
    m_isReader = false;
    m_isDel = false;
    m_records.clear();
    m_staged = false;
}

QByteArray clsDataD::getSendCMD()
{
    m_sendBuf.clear();
    m_sendBuf += STX;
    m_sendBuf += "RD";
    if (m_isReader) {
        // The reader takes exactly 9 bytes of customer number.
        QByteArray number = platform::codepage::toAnsi(m_customer).left(9);
        while (number.size() < 9)
            number += ' ';
        m_sendBuf += number;
        m_sendBuf += m_isDel ? '1' : '0';
    }
    m_sendBuf += ETX;
    m_count = 0;
    m_records.clear();
    m_staged = false;
    m_refusedValues = false;
    return m_sendBuf;
}

bool clsDataD::setRecvData(const QByteArray &buf, int length)
{
    m_refusedValues = false;
    if (length != blockLength || buf.size() < blockLength)
        return false;
    // The frame is copied into the record's own buffer: sharing the caller's
    // would make the caller's next block a copy of its own.
    if (m_recvFrame.size() != blockLength)
        m_recvFrame.resize(blockLength);
    std::memcpy(m_recvFrame.data(), buf.constData(), blockLength);
    const char *b = m_recvFrame.constData();
    if (b[1] != 'R' || b[2] != 'D')
        return false;
    // From here on the block is an RD record block; what is refused below
    // is its values.
    m_refusedValues = b[0] == STX && (b[17] == ETX || b[17] == ETB);
    const int yy = twoDigits(b, 3);
    if (yy < 0)
        return false;
    // Month and day "00" and days past the month's end are refused here, so
    // that such a block is logged as rejected instead of failing the run.
    const int mm = twoDigits(b, 5);
    if (mm < 1 || mm > 12)
        return false;
    const int dd = twoDigits(b, 7);
    if (dd < 1 || dd > daysInMonth(2000 + yy, mm))
        return false;
    const int hh = twoDigits(b, 9);
    if (hh < 0 || hh > 23)
        return false;
    const int mi = twoDigits(b, 11);
    if (mi < 0 || mi > 59)
        return false;
    for (int i = 13; i < 17; ++i)
        if (!isDigit(b[i]))
            return false;
    m_records.append(b, blockLength);
    m_idx = m_count;
    ++m_count;
    m_staged = false;
    m_refusedValues = false;
    return true;
}

bool clsDataD::isETX() const
{
    return m_recvFrame.size() == blockLength && m_recvFrame[17] == ETX;
}

QString clsDataD::field(int pos, int width) const
{
    if (m_idx < 0 || m_idx >= m_count)
        platform::raise(platform::err::SubscriptOutOfRange);
    return QString::fromLatin1(record(m_idx).sliced(pos, width));
}

// ---- helpers of the store run ----

void clsDataD::showError(const QString &text) const
{
    if (storeServices().msgBox)
        storeServices().msgBox(text);
}

void clsDataD::pumpEvents()
{
    // The loops call this per record; the window is served every few
    // milliseconds, which keeps it as responsive as a call per record
    // (a pass over the event loop costs about as much as a record).
    // The clock is read every 8th call only: reading it costs more than a
    // record, and 8 records take far less than the interval.
    static QElapsedTimer lastPass;
    static unsigned calls = 0;
    if (lastPass.isValid() && (++calls % 8 != 0 || !lastPass.hasExpired(pumpIntervalMs)))
        return;
    if (storeServices().doEvents)
        storeServices().doEvents();
    lastPass.start();
}

void clsDataD::setInfo1(const QString &text)
{
    if (IStoreWaitDialog *w = storeServices().waitForm)
        w->setLoadInfo1(text);
}

void clsDataD::setInfo2(const QString &text)
{
    if (IStoreWaitDialog *w = storeServices().waitForm)
        w->setLoadInfo2(text);
}

QString clsDataD::createdNow()
{
    const QDateTime now = storeServices().now ? storeServices().now() : QDateTime::currentDateTime();
    return now.toString(QStringLiteral("yyyyMMddHHmm"));
}

QString clsDataD::selectAllStatement(bool countColumns)
{
    return countColumns
               ? QStringLiteral("Select getdt,gettm,watt,created,created1,created2 from demand.csv Order by getdt,gettm")
               : QStringLiteral("Select getdt,gettm,watt,created from demand.csv Order by getdt,gettm");
}

void clsDataD::recordKey(int index, bool shiftBack, char *key) const
{
    // The fields were checked by setRecvData: a real day, hour 0-23 and
    // minute 0-59, so the key is put together digit by digit.
    const char *r = record(index).data();
    int year = 2000 + twoDigits(r, 3), month = twoDigits(r, 5), day = twoDigits(r, 7);
    int minutes = twoDigits(r, 9) * 60 + twoDigits(r, 11);
    if (shiftBack) {
        minutes -= 30;
        if (minutes < 0) {
            minutes += 24 * 60;
            if (--day < 1) {
                if (--month < 1) {
                    month = 12;
                    --year;
                }
                day = daysInMonth(year, month);
            }
        }
    }
    const int parts[5] = {year % 100, month, day, minutes / 60, minutes % 60};
    for (int i = 0; i < 5; ++i) {
        key[2 * i] = char('0' + parts[i] / 10);
        key[2 * i + 1] = char('0' + parts[i] % 10);
    }
}

QString clsDataD::recordKey(int index, bool shiftBack) const
{
    char key[10];
    recordKey(index, shiftBack, key);
    return QString::fromLatin1(key, 10);
}

QByteArrayView clsDataD::wattBytes(int index) const
{
    return record(index).sliced(13, 4);
}

void clsDataD::writeStaging(const QString &folder, const RowLines &staging)
{
    for (int i = 0; i < staging.count(); ++i) {
        const int line = i + 1;
        if (line % 100 == 0)
            setInfo2(QString::number(line) + QStringLiteral(" / ") + QString::number(m_count));
        pumpEvents();
    }
    QByteArray image;
    QList<QByteArray> lines;
    staging.encode(image, lines);
    writer().replaceTableLines(folder, lines, serviceColumns());
}

void clsDataD::writeStaging(const QString &folder, const OrderedRows &staging)
{
    QStringList lines;
    lines.reserve(staging.count());
    for (int i = 0; i < staging.count(); ++i) {
        lines << staging.keyAt(i) + staging.itemAt(i).join(QString());
        const int line = i + 1;
        if (line % 100 == 0)
            setInfo2(QString::number(line) + QStringLiteral(" / ") + QString::number(m_count));
        pumpEvents();
    }
    writer().replaceTable(folder, lines, serviceColumns());
}

// ---- the store run ----

void clsDataD::reportFailure(const QString &customer, const QString &cause, bool kept) const
{
    QString text = QStringLiteral("お客さま「") + customer + QStringLiteral("」のデータを保存できませんでした。");
    if (!cause.isEmpty())
        text += u'\n' + cause;
    if (kept)
        text += QStringLiteral("\nデータは保管してあり、次回の保存時に取り込みます。");
    showError(text);
}

bool clsDataD::stageRecords(bool shiftBack)
{
    m_staged = false;
    try {
        const QString staging = staging::stagingFolder();
        // Records of a failed merge are never overwritten: they move aside
        // whole and are merged first by this run.
        if (!staging::unmergedCustomer(staging).isEmpty())
            staging::keepStagingAside();
        if (!platform::shell::FolderExists(staging)) {
            platform::shell::CreateFolder(staging);
            platform::fileio::syncFolder(platform::shell::programFolder());
        }
        // The staging table and its schema are rewritten whole below; a
        // failure there leaves the previous (merged) staging table, so they
        // are not emptied first, which would only cost two more synced
        // writes per run.
        if (IStoreWaitDialog *w = storeServices().waitForm)
            w->setWaitMsg(QStringLiteral("データ構築中・・・　しばらくお待ち下さい。"));
        if (!expandRecvData(staging, shiftBack))
            return false;
        // The marker comes last: without it a crash before the device was
        // acknowledged leaves nothing that looks unmerged.
        staging::markUnmerged(staging, m_customer);
        m_staged = true;
        m_stagedShift = shiftBack;
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

bool clsDataD::stage(bool shiftBack, QString *cause)
{
    m_failure.clear();
    if (const QString why = validateCustomerName(m_customer); !why.isEmpty()) {
        if (cause)
            *cause = why;
        return false;
    }
    if (stageRecords(shiftBack))
        return true;
    if (cause)
        *cause = m_failure;
    return false;
}

bool clsDataD::mergeStaged(const QString &folder, const QString &customer)
{
    const QString own = m_customer;
    m_customer = customer;
    bool ok = false;
    try {
        // Both steps read the same staging table: it is read once.
        StagedRows staged;
        staged.direct = !m_readByDriver && readOrderedRows(folder, serviceColumns(), staged.data, staged.rows);
        ok = makeYearFolders(folder, staged) && mergeData(folder, staged);
    } catch (...) {
        noteFailure(describe(std::current_exception()));
    }
    m_customer = own;
    return ok;
}

bool clsDataD::mergeKeptSets()
{
    const QByteArray schema = schemaText(serviceColumns());
    for (const staging::KeptSet &set : staging::keptSets()) {
        // Sets of the other record kind (4 or 6 columns) are left to it.
        QFile f(platform::shell::toNativePath(set.folder + QStringLiteral("\\schema.ini")));
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != schema)
            continue;
        f.close();
        if (!validateCustomerName(set.customer).isEmpty())
            continue;
        m_failure.clear();
        if (!mergeStaged(set.folder, set.customer)) {
            reportFailure(set.customer, m_failure, true);
            return false;
        }
        staging::removeKeptSet(set.folder);
    }
    return true;
}

bool clsDataD::fire(bool shiftBack)
{
    m_failure.clear();
    bool staged = false;
    try {
        IDataWindow *window = dataForm;
        if (!window)
            throw platform::RuntimeError(platform::err::ObjectRequired,
                                         QStringLiteral("データ画面がありません。"));
        if (const QString why = validateCustomerName(m_customer); !why.isEmpty()) {
            showError(why);
            return false;
        }
        // A device transfer was staged before its last block was
        // acknowledged; a CSV import is staged here.
        if (!m_staged || m_stagedShift != shiftBack) {
            if (!stageRecords(shiftBack)) {
                reportFailure(m_customer, m_failure, false);
                return false;
            }
        } else if (IStoreWaitDialog *w = storeServices().waitForm) {
            w->setWaitMsg(QStringLiteral("データ構築中・・・　しばらくお待ち下さい。"));
        }
        staged = true;
        if (!mergeKeptSets())
            return false;
        m_failure.clear();
        const QString staging = staging::stagingFolder();
        if (!mergeStaged(staging, m_customer)) {
            reportFailure(m_customer, m_failure, true);
            return false;
        }
        staging::markMerged(staging);
        m_staged = false;
        staged = false; // merged: nothing is kept any more
        window->TreeNode().mkNodeInit(window->treData(), window->form());
        return true;
    } catch (...) {
        reportFailure(m_customer, describe(std::current_exception()), staged);
        return false;
    }
}

bool clsDataD::expandRecvData(const QString &folder, bool shiftBack)
{
    try {
        const QString created = createdNow();
        setInfo1(QStringLiteral("受信データ展開中・・・・"));
        // Each line: the key, the demand and the acquisition time.
        const QByteArray createdBytes = created.toLatin1();
        RowLines staging;
        staging.reserve(std::size_t(m_count), 10 + 14 + std::size_t(createdBytes.size()));
        // key (10), demand (4), created (12): built in place.
        QVarLengthArray<char, 32> line(14 + createdBytes.size());
        std::memcpy(line.data() + 14, createdBytes.constData(), std::size_t(createdBytes.size()));
        for (int i = 0; i < m_count; ++i) {
            m_idx = i;
            recordKey(i, shiftBack, line.data());
            std::memcpy(line.data() + 10, wattBytes(i).data(), 4);
            staging.put(QByteArrayView(line.data(), 10), QByteArrayView(line.data(), line.size()));
        }
        writeStaging(folder, staging);
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

bool clsDataD::makeYearFolders(const QString &folder, const StagedRows &staged)
{
    try {
        QStringList years;
        if (staged.direct) {
            // ASCII rows in key order give the years ("distinct
            // mid(getdt,1,2)") in order: prefixes of ordered texts are
            // ordered too.
            QByteArrayView last;
            for (const TableRowView &r : staged.rows) {
                const QByteArrayView yy = r.fields[0].first(std::min<qsizetype>(2, r.fields[0].size()));
                if (years.isEmpty() || yy != last) {
                    years << QString::fromLatin1(yy.data(), yy.size());
                    last = yy;
                }
            }
        } else {
            platform::textdb::Connection cn;
            platform::textdb::Recordset rs;
            openTable(cn, rs, folder, QStringLiteral("Select distinct mid(getdt,1,2) from ") + tableFileName
                        + QStringLiteral(" Order by mid(getdt,1,2)"));
            while (!rs.Eof()) {
                years << rs.Fields(0).Value().toString();
                rs.MoveNext();
            }
            rs.Close();
            cn.Close();
        }
        const QString tran = platform::shell::programFolder() + u'\\' + tranFolderName;
        for (const QString &yy : years) {
            if (!platform::shell::FolderExists(tran))
                platform::shell::CreateFolder(tran);
            const QString customerFolder = tran + u'\\' + m_customer;
            if (!platform::shell::FolderExists(customerFolder))
                platform::shell::CreateFolder(customerFolder);
            const QString yearFolder = customerFolder + u'\\' + yearFolderName(yy);
            if (!platform::shell::FolderExists(yearFolder)) {
                platform::shell::CreateFolder(yearFolder);
                initTable(yearFolder);
            }
        }
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

QList<QStringList> clsDataD::tableRows(const QString &folder, bool countColumns) const
{
    QList<QStringList> rows;
    if (!m_readByDriver && readOrderedTable(folder, countColumns, rows))
        return rows;
    platform::textdb::Connection cn;
    platform::textdb::Recordset rs;
    openTable(cn, rs, folder, selectAllStatement(countColumns));
    const int ncol = countColumns ? 6 : 4;
    rows.reserve(rs.RecordCount());
    while (!rs.Eof()) {
        rows.append(rowValues(rs, ncol));
        rs.MoveNext();
    }
    rs.Close();
    cn.Close();
    return rows;
}

bool clsDataD::mergeData(const QString &folder, const StagedRows &staged)
{
    bool merged = false;
    if (!m_readByDriver && mergeDataDirect(staged, merged))
        return merged;
    try {
        const QList<QStringList> rows = tableRows(folder, serviceColumns());
        const long total = long(rows.size());
        long added = 0, updated = 0, n = 0;
        QString previousYY, tableFolder;
        OrderedRows year;
        const QString customerFolder =
            platform::shell::programFolder() + u'\\' + tranFolderName + u'\\' + m_customer;
        for (const QStringList &values : rows) {
            const QString yy = values[0].left(2);
            if (yy != previousYY) {
                previousYY = yy;
                // A year that cannot be written or read ends the run here:
                // its table stays as it was and nothing is logged.
                if (!saveYearTable(year, tableFolder))
                    return false;
                tableFolder = customerFolder + u'\\' + yearFolderName(yy);
                if (!loadYearTable(year, tableFolder))
                    return false;
            }
            const QString key = values[0] + values[1];
            if (year.put(key, m_yearCounts ? withCountColumns(values) : values))
                ++added;
            else
                ++updated;
            ++n;
            if (n % 100 == 0) {
                setInfo1(QStringLiteral("[20") + yy + QStringLiteral("年]") + QStringLiteral("データマージ中・・・・"));
                setInfo2(QString::number(n) + QStringLiteral(" / ") + QString::number(total) + QStringLiteral("件"));
            }
            pumpEvents();
        }
        if (!saveYearTable(year, tableFolder))
            return false;
        const QString line = QStringLiteral("情報データ読み込み(") + QStringLiteral("追加：") + QString::number(added)
                             + QStringLiteral(" 更新：") + QString::number(updated) + QStringLiteral(")　　")
                             + QStringLiteral("　-->　") + QStringLiteral("「") + m_customer + QStringLiteral("」");
        if (storeServices().addLog)
            storeServices().addLog(dataForm ? dataForm->lstLogs() : nullptr, line);
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

bool clsDataD::mergeDataDirect(const StagedRows &staged, bool &merged)
{
    merged = false;
    struct Year {
        QString folder;
        QByteArray data; // the table's bytes, which its rows view
        std::vector<TableRowView> rows;
        bool exists = false;
        bool counts = false; // the table has the count columns
    };
    try {
        if (!staged.direct)
            return false;
        const std::vector<TableRowView> &rows = staged.rows;
        const QString customerFolder =
            platform::shell::programFolder() + u'\\' + tranFolderName + u'\\' + m_customer;
        // Every year table the run touches is read first: where one cannot be
        // read straight from its file, nothing is written here and the merge
        // goes through the driver's rows.
        std::vector<Year> years;
        std::vector<std::size_t> yearOf(rows.size());
        QByteArrayView lastYY;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const QByteArrayView dt = rows[i].fields[0];
            const QByteArrayView yy = dt.first(std::min<qsizetype>(2, dt.size()));
            if (years.empty() || yy != lastYY) {
                lastYY = yy;
                Year y;
                y.folder = customerFolder + u'\\' + yearFolderName(QString::fromLatin1(yy.data(), yy.size()));
                y.exists = platform::shell::FileExists(y.folder + u'\\' + tableFileName);
                y.counts = serviceColumns();
                if (y.exists) {
                    const bool tableCounts = tableHasCountColumns(y.folder, serviceColumns());
                    y.counts = y.counts || tableCounts;
                    if (!readOrderedRows(y.folder, tableCounts, y.data, y.rows))
                        return false;
                }
                years.push_back(std::move(y));
            }
            yearOf[i] = years.size() - 1;
        }

        const long total = long(rows.size());
        long added = 0, updated = 0, n = 0;
        RowLines lines;
        QByteArray line, key;
        std::size_t i = 0;
        for (std::size_t y = 0; y < years.size(); ++y) {
            const Year &year = years[y];
            m_yearCounts = year.counts;
            lines.clear();
            std::size_t staged = 0;
            for (std::size_t j = i; j < rows.size() && yearOf[j] == y; ++j)
                ++staged;
            // key (10) and a line of at most 34 bytes per row
            lines.reserve(year.rows.size() + staged, 44);
            long row = 0;
            for (const TableRowView &r : year.rows) {
                composeKey(key, r);
                composeLine(line, r.fields, r.count, m_yearCounts);
                lines.put(key, line);
                ++row;
                if (row % 100 == 0) {
                    setInfo1(QStringLiteral("[20") + QString::fromLatin1(r.fields[0].first(std::min<qsizetype>(2, r.fields[0].size())).toByteArray())
                             + QStringLiteral("年]") + QStringLiteral("メモリ展開中・・・・"));
                    setInfo2(u'[' + QString::number(row) + u'/' + QString::number(year.rows.size()) + u']');
                }
                pumpEvents();
            }
            for (; i < rows.size() && yearOf[i] == y; ++i) {
                const TableRowView &r = rows[i];
                composeKey(key, r);
                composeLine(line, r.fields, r.count, m_yearCounts);
                if (lines.put(key, line))
                    ++added;
                else
                    ++updated;
                ++n;
                if (n % 100 == 0) {
                    setInfo1(QStringLiteral("[20") + QString::fromLatin1(r.fields[0].first(std::min<qsizetype>(2, r.fields[0].size())).toByteArray())
                             + QStringLiteral("年]") + QStringLiteral("データマージ中・・・・"));
                    setInfo2(QString::number(n) + QStringLiteral(" / ") + QString::number(total) + QStringLiteral("件"));
                }
                pumpEvents();
            }
            // A year that cannot be written ends the run here: its table
            // stays as it was and nothing is logged.
            if (!saveYearLines(lines, year.folder))
                return true;
        }
        const QString logLine = QStringLiteral("情報データ読み込み(") + QStringLiteral("追加：") + QString::number(added)
                                + QStringLiteral(" 更新：") + QString::number(updated) + QStringLiteral(")　　")
                                + QStringLiteral("　-->　") + QStringLiteral("「") + m_customer + QStringLiteral("」");
        if (storeServices().addLog)
            storeServices().addLog(dataForm ? dataForm->lstLogs() : nullptr, logLine);
        merged = true;
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return true;
    }
}

bool clsDataD::saveYearLines(const RowLines &lines, const QString &folder)
{
    if (lines.count() == 0 || folder.isEmpty())
        return true;
    try {
        QByteArray image;
        QList<QByteArray> encoded;
        lines.encode(image, encoded);
        writer().replaceTableLines(folder, encoded, m_yearCounts);
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

bool clsDataD::loadYearTable(OrderedRows &dictionary, const QString &folder)
{
    dictionary.clear();
    m_yearCounts = serviceColumns();
    try {
        // A year folder without a table (made by hand) counts as empty.
        if (!platform::shell::FileExists(folder + u'\\' + tableFileName))
            return true;
        // The table is read by its own layout: the ordinary data window
        // writes 4 columns, the service record 6.
        const bool tableCounts = tableHasCountColumns(folder, serviceColumns());
        m_yearCounts = m_yearCounts || tableCounts;
        const QList<QStringList> rows = tableRows(folder, tableCounts);
        const long total = long(rows.size());
        long row = 0;
        for (const QStringList &values : rows) {
            dictionary.put(values[0] + values[1], m_yearCounts ? withCountColumns(values) : values);
            ++row;
            if (row % 100 == 0) {
                setInfo1(QStringLiteral("[20") + values[0].left(2) + QStringLiteral("年]") + QStringLiteral("メモリ展開中・・・・"));
                setInfo2(u'[' + QString::number(row) + u'/' + QString::number(total) + u']');
            }
            pumpEvents();
        }
        return true;
    } catch (...) {
        dictionary.clear();
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

bool clsDataD::saveYearTable(const OrderedRows &dictionary, const QString &folder)
{
    if (dictionary.count() == 0 || folder.isEmpty())
        return true;
    try {
        static const int widths[] = {6, 4, 4, 12, 4, 4};
        QStringList lines;
        lines.reserve(dictionary.count());
        for (int i = 0; i < dictionary.count(); ++i) {
            const QStringList &item = dictionary.itemAt(i);
            QString line;
            for (int c = 0; c < item.size() && c < 6; ++c)
                line += item[c].leftJustified(widths[c], u' ', true);
            lines << line;
            const int n = i + 1;
            if (n % 100 == 0) {
                setInfo1(QStringLiteral("[20") + item[0].left(2) + QStringLiteral("年]") + QStringLiteral("ディスク書き込み中・・・・"));
                setInfo2(u'[' + QString::number(n) + u'/' + QString::number(dictionary.count()) + u']');
            }
            pumpEvents();
        }
        writer().replaceTable(folder, lines, m_yearCounts);
        return true;
    } catch (...) {
        noteFailure(describe(std::current_exception()));
        return false;
    }
}

// ---- table view ----

void clsDataD::splitNodePath(const QString &nodePath, QString &folder, QString &filter)
{
    const qsizetype p = nodePath.indexOf(QStringLiteral("::"));
    if (p >= 0) {
        folder = nodePath.left(p);
        filter = QStringLiteral(" WHERE getdt like '") + nodePath.mid(p + 2) + QStringLiteral("%' ");
    } else {
        folder = nodePath;
        filter = QStringLiteral(" ");
    }
}

int clsDataD::textWidth(platform::forms::MSHFlexGrid &grid, const QString &text)
{
    if (dataForm)
        return dataForm->TextWidth(text);
    return grid.widget()->fontMetrics().horizontalAdvance(text) * platform::forms::twipsPerPixel;
}

QString clsDataD::dispSelectList() const
{
    return QStringLiteral("Select '20' & MID(getdt,1,2) & '年' & MID(getdt,3,2) & '月' & MID(getdt,5,2) & '日' as 監視年月日,")
           + dispTimeColumns()
           + QStringLiteral("MID(created,1,4) & '/' & MID(created,5,2) & '/' & MID(created,7,2) & ' ' & MID(created,9,2) & ':' & MID(created,11,2) as 取得日時 ");
}

QString clsDataD::dispTimeColumns()
{
    return QStringLiteral("Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00'),'HH時nn分' )  as 開始時間, ")
           + QStringLiteral("Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00') + TIMEVALUE( '00:30:00 ' ),'HH時nn分' )  as 終了時間, ")
           + QStringLiteral("FORMAT(VAL(MID(watt,1,3)),'##0') & '.' & MID(watt,4,1) as デマンド値［kW］ ,");
}

int clsDataD::dispColumnWidth(platform::forms::MSHFlexGrid &grid, int c)
{
    const int w = textWidth(grid, grid.TextMatrix(0, c));
    return c == 3 ? int(w * 1.5) : 2 * w;
}

void clsDataD::setDispData(platform::forms::MSHFlexGrid &grid, const QString &nodePath, int threshold)
{
    // Each step is skipped when it fails; the procedure always returns.
    auto step = [](auto &&f) {
        try {
            f();
        } catch (...) {
        }
    };
    step([&] { grid.setRedraw(false); });
    step([&] { grid.Clear(); });
    QString folder, filter;
    splitNodePath(nodePath, folder, filter);
    if (folder.isEmpty() || !platform::shell::FileExists(folder + u'\\' + tableFileName)) {
        step([&] { grid.setRedraw(true); });
        return;
    }
    step([&] { grid.setEnabled(false); });
    step([&] {
        if (storeServices().setBusyPointer)
            storeServices().setBusyPointer(true);
    });
    step([&] { pumpEvents(); });
    const QString sql = dispSelectList() + QStringLiteral("From ") + tableFileName + filter
                        + QStringLiteral(" order by getdt,gettm");
    platform::textdb::Connection cn;
    platform::textdb::Recordset rs;
    bool bound = false;
    step([&] { cn.Open(textDriverConnectionString(folder), QString(), QString()); });
    step([&] {
        rs.Open(sql, cn, platform::textdb::adOpenStatic, platform::textdb::adLockReadOnly,
                platform::textdb::adCmdText);
    });
    step([&] { grid.setFixedRows(1); });
    step([&] {
        grid.setDataSource(rs);
        bound = true;
    });
    if (threshold != 0) {
        // Colours go into the grid's model; nothing repaints until Redraw.
        step([&] {
            grid.setCol(3);
            for (int r = 1; r < grid.Rows(); ++r) {
                if (platform::Val(grid.TextMatrix(r, 3)) > threshold) {
                    grid.setRow(r);
                    grid.setCellBackColor(0xC0C0FF);
                }
                pumpEvents();
            }
        });
    }
    for (int c = 0; c < grid.Cols(); ++c) {
        step([&] {
            grid.setRow(0);
            grid.setColWidth(c, dispColumnWidth(grid, c));
        });
    }
    step([&] { grid.setRow(1); });
    step([&] { grid.setRedraw(true); });
    step([&] { rs.Close(); });
    step([&] { cn.Close(); });
    step([&] {
        if (storeServices().setBusyPointer)
            storeServices().setBusyPointer(false);
    });
    if (bound)
        step([&] { grid.setEnabled(true); });
}

} // namespace talvik
