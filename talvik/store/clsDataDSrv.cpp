#include "talvik/store/clsDataDSrv.h"

#include "platform/forms/flexgrid.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/store/dataWindow.h"

#include "platform/shell/shell.h"

#include <QFile>
#include <QRegularExpression>

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

int clsDataDSrv::seekCountRow(const QString &key) const
{
    return m_alarmIndex.value(key, -1);
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
        // find theirs; the sentinel row is not a half hour.
        m_alarmIndex.clear();
        for (int i = 0; i < m_alarmInfo.size(); ++i) {
            const QString &k = m_alarmInfo[i].timeKey;
            if (k != u"209901010000" && !m_alarmIndex.contains(k))
                m_alarmIndex.insert(k, i);
        }
        const QByteArray none = fileFound ? QByteArrayLiteral("0000") : QByteArrayLiteral("-001");
        const QByteArray createdBytes = created.toLatin1();
        // Count texts repeat: each is normalised once.
        QHash<QString, QByteArray> normalised;
        auto count = [&](const QString &text) -> const QByteArray & {
            auto it = normalised.find(text);
            if (it == normalised.end())
                it = normalised.insert(text, normaliseCount(text).toLatin1());
            return *it;
        };
        // Each line: the key, the demand, the acquisition time and the two
        // counts, built in reused buffers.
        RowLines staging;
        QByteArray line;
        QString countKey(12, u'0');
        countKey[0] = u'2';
        char key[10];
        for (int i = 0; i < m_count; ++i) {
            m_idx = i;
            recordKey(i, shiftBack, key);
            for (int k = 0; k < 10; ++k)
                countKey[2 + k] = QLatin1Char(key[k]);
            const int pos = seekCountRow(countKey);
            line.clear();
            line.append(key, 10);
            line.append(wattBytes(i));
            line.append(createdBytes);
            if (pos >= 0) {
                line.append(count(m_alarmInfo[pos].cautionCount));
                line.append(count(m_alarmInfo[pos].limitCount));
            } else {
                line.append(none);
                line.append(none);
            }
            staging.put(QByteArrayView(key, 10), line);
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
