#include "talvik/store/clsDataDSrv.h"

#include "platform/forms/flexgrid.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/store/dataWindow.h"

#include "platform/shell/shell.h"

#include <QFile>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <limits>

namespace talvik {

QString clsDataDSrv::normaliseCount(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return QStringLiteral("-001");
    const long long v = t.toLongLong();
    return platform::FormatZero(v > 9999 ? 9999 : v, 4);
}

QString clsDataDSrv::countFilePath(const QString &customer)
{
    // The counts belong to the customer whose records are stored. A number
    // chosen at start-up (srvCustomer) means the input tree's layout, one
    // folder per customer; a file imported from the menu has its count file
    // beside it. Names match in any letter case, as where the files come from.
    const QString path = !srvCustomer.isEmpty()
                             ? dataFolder + u'\\' + customer + u'\\' + customer + QStringLiteral("as.csv")
                             : dataFolder + u'\\' + customer + QStringLiteral("as.csv");
    return platform::shell::resolvePathCase(path);
}

QString clsDataDSrv::serviceInputFile(const QString &customer)
{
    return platform::shell::resolvePathCase(dataFolder + u'\\' + customer + u'\\' + customer
                                            + QStringLiteral(".csv"));
}

void clsDataDSrv::normaliseCount(QByteArrayView text, char *out)
{
    // As the text's normalising: blanks (those QString::trimmed removes)
    // off both ends, then digits only; a value past the 64-bit range is 0
    // (the text conversion's failure), a larger count than 9999 is 9999.
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    if (begin == end) {
        std::memcpy(out, "-001", 4);
        return;
    }
    quint64 v = 0;
    bool overflow = false;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            std::memcpy(out, "-001", 4);
            return;
        }
        // Checked before the step, so that the sum never wraps.
        constexpr quint64 max = quint64(std::numeric_limits<qint64>::max());
        if (!overflow) {
            const quint64 d = quint64(c - '0');
            overflow = v > (max - d) / 10;
            v = v * 10 + d;
        }
    }
    int count = overflow ? 0 : int(std::min<quint64>(v, 9999));
    for (int i = 3; i >= 0; --i) {
        out[i] = char('0' + count % 10);
        count /= 10;
    }
}

void clsDataDSrv::countOf(int row, int which, char *out) const
{
    if (m_alarmInfo.isAscii(row)) {
        normaliseCount(m_alarmInfo.countBytes(row, which), out);
        return;
    }
    const AlarmInfoRow r = m_alarmInfo.row(row);
    // The normalised text is four ASCII characters.
    const QByteArray count = normaliseCount(which == 0 ? r.cautionCount : r.limitCount).toLatin1();
    std::memcpy(out, count.constData(), 4);
}

bool clsDataDSrv::insertData2Srv(const QString &folder, bool shiftBack)
{
    try {
        const QString created = createdNow();
        setInfo1(QStringLiteral("受信データ展開中・・・・"));
        const StoreServices &s = storeServices();
        const QString path = countFilePath(m_customer);
        m_alarmInfo.clear();
        const bool fileFound = s.getCsvFileAlarmInfo && s.getCsvFileAlarmInfo(path, m_alarmInfo);
        // Counts are looked up by their half hour, so records in any order
        // find theirs; the first row of a half hour counts. The key of the
        // row that ends a count list is not a half hour.
        constexpr qint64 endKey = 209901010000;
        m_alarmIndex = KeyIndex(m_alarmInfo.count());
        for (int i = 0; i < m_alarmInfo.count(); ++i) {
            const qint64 k = m_alarmInfo.timeKey(i);
            if (k >= 0 && k != endKey)
                m_alarmIndex.insertFirst(k, i);
        }
        const char *none = fileFound ? "0000" : "-001";
        const QByteArray createdBytes = created.toLatin1();
        // Each line: the key (10), the demand (4), the acquisition time and
        // the two counts (4 each), built in place.
        const qsizetype countsAt = 14 + createdBytes.size();
        QVarLengthArray<char, 48> line(countsAt + 8);
        std::memcpy(line.data() + 14, createdBytes.constData(), std::size_t(createdBytes.size()));
        RowLines staging;
        staging.reserve(std::size_t(m_count), std::size_t(10 + line.size()));
        for (int i = 0; i < m_count; ++i) {
            m_idx = i;
            char *key = line.data();
            recordKey(i, shiftBack, key);
            qint64 countKey = 20;
            for (int k = 0; k < 10; ++k)
                countKey = countKey * 10 + (key[k] - '0');
            const int pos = seekCountRow(countKey);
            std::memcpy(line.data() + 10, wattBytes(i).data(), 4);
            if (pos >= 0) {
                countOf(pos, 0, line.data() + countsAt);
                countOf(pos, 1, line.data() + countsAt + 4);
            } else {
                std::memcpy(line.data() + countsAt, none, 4);
                std::memcpy(line.data() + countsAt + 4, none, 4);
            }
            staging.put(QByteArrayView(key, 10), QByteArrayView(line.data(), line.size()));
        }
        writeStaging(folder, staging);
        return true;
    } catch (...) {
        QString text;
        try {
            throw;
        } catch (const platform::RuntimeError &e) {
            text = e.Description();
        } catch (const std::exception &e) {
            text = QString::fromLocal8Bit(e.what());
        } catch (...) {
        }
        noteFailure(QStringLiteral("insertData2Srv:") + text);
        return false;
    }
}

void clsDataDSrv::setDispData(platform::forms::MSHFlexGrid &grid, const QString &nodePath, int threshold)
{
    QString folder;
    QString filter;
    splitNodePath(nodePath, folder, filter);
    m_dispCounts = tableHasCountColumns(folder, true);
    clsDataD::setDispData(grid, nodePath, threshold);
}

QString clsDataDSrv::dispSelectList() const
{
    const QString counts = m_dispCounts
                               ? QStringLiteral("IIF(created1='-001','-',FORMAT(VAL(created1),'###0')) as 注意件数, ")
                                     + QStringLiteral("IIF(created2='-001','-',FORMAT(VAL(created2),'###0')) as 限界件数, ")
                               : QStringLiteral("'-' as 注意件数, '-' as 限界件数, ");
    return QStringLiteral("Select '20' & MID(getdt,1,2) & '年' & MID(getdt,3,2) & '月' & MID(getdt,5,2) & '日(' & Format(getdt, 'aaa') & ')' as 監視年月日,")
           + dispTimeColumns()
           + counts
           + QStringLiteral("MID(created,1,4) & '/' & MID(created,5,2) & '/' & MID(created,7,2) & ' ' & MID(created,9,2) & ':' & MID(created,11,2) as 取得日時 ");
}

int clsDataDSrv::dispColumnWidth(platform::forms::MSHFlexGrid &grid, int c)
{
    switch (c) {
    case 0: return 2 * textWidth(grid, QStringLiteral("12345678")) + 270;
    case 1:
    case 2: return 2 * textWidth(grid, QStringLiteral("12345")) - 90;
    case 3: return 2 * textWidth(grid, QStringLiteral("1234567"));
    case 4:
    case 5: return 2 * textWidth(grid, QStringLiteral("12345"));
    case 6: return 2 * textWidth(grid, QStringLiteral("123456789")) - 90;
    default: return 2 * textWidth(grid, grid.TextMatrix(0, c));
    }
}

} // namespace talvik
