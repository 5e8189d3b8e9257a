#include "talvik/store/clsDataDSrv.h"

#include "platform/forms/flexgrid.h"
#include "platform/runtime/numeric.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"
#include "platform/runtime/runtime_error.h"

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
        QString path;
        if (!s.srvCustomer.isEmpty())
            path = s.dataFolder + u'\\' + s.srvCustomer + u'\\' + s.srvCustomer + QStringLiteral("as.csv");
        else
            path = s.dataFolder + u'\\' + (s.importCustom ? s.importCustom() : QString()) + QStringLiteral("as.csv");
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
        const QString none = fileFound ? QStringLiteral("0000") : QStringLiteral("-001");
        OrderedRows staging;
        for (int i = 0; i < m_count; ++i) {
            m_idx = i;
            const QString key = recordKey(i, shiftBack);
            const int pos = seekCountRow(QStringLiteral("20") + key);
            QStringList item{watt(), created};
            if (pos >= 0)
                item << normaliseCount(m_alarmInfo[pos].cautionCount) << normaliseCount(m_alarmInfo[pos].limitCount);
            else
                item << none << none;
            staging.put(key, item);
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
        showError(QStringLiteral("insertData2Srv:") + text);
        return false;
    }
}

void clsDataDSrv::setDispData(platform::forms::MSHFlexGrid &grid, const QString &nodePath, int threshold)
{
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
    const QString sql =
        QStringLiteral("Select '20' & MID(getdt,1,2) & '年' & MID(getdt,3,2) & '月' & MID(getdt,5,2) & '日(' & Format(getdt, 'aaa') & ')' as 監視年月日,")
        + QStringLiteral("Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00'),'HH時nn分' )  as 開始時間, ")
        + QStringLiteral("Format(TimeValue(MID(gettm,1,2) & ':' & MID(gettm,3,2) & ':00') + TIMEVALUE( '00:30:00 ' ),'HH時nn分' )  as 終了時間, ")
        + QStringLiteral("FORMAT(VAL(MID(watt,1,3)),'##0') & '.' & MID(watt,4,1) as デマンド値［kW］ ,")
        + QStringLiteral("IIF(created1='-001','-',FORMAT(VAL(created1),'###0')) as 注意件数, ")
        + QStringLiteral("IIF(created2='-001','-',FORMAT(VAL(created2),'###0')) as 限界件数, ")
        + QStringLiteral("MID(created,1,4) & '/' & MID(created,5,2) & '/' & MID(created,7,2) & ' ' & MID(created,9,2) & ':' & MID(created,11,2) as 取得日時 ")
        + QStringLiteral("From ") + tableFileName + filter + QStringLiteral(" order by getdt,gettm");
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
        step([&] {
            grid.setCol(3);
            for (int r = 1; r < grid.Rows(); ++r) {
                if (platform::Val(grid.TextMatrix(r, 3)) > threshold) {
                    grid.setRow(r);
                    grid.setCellBackColor(0xC0C0FF);
                }
            }
        });
    }
    for (int c = 0; c < grid.Cols(); ++c) {
        step([&] {
            grid.setRow(0);
            int w = 0;
            switch (c) {
            case 0: w = 2 * textWidth(grid, QStringLiteral("12345678")) + 270; break;
            case 1:
            case 2: w = 2 * textWidth(grid, QStringLiteral("12345")) - 90; break;
            case 3: w = 2 * textWidth(grid, QStringLiteral("1234567")); break;
            case 4:
            case 5: w = 2 * textWidth(grid, QStringLiteral("12345")); break;
            case 6: w = 2 * textWidth(grid, QStringLiteral("123456789")) - 90; break;
            default: w = 2 * textWidth(grid, grid.TextMatrix(0, c)); break;
            }
            grid.setColWidth(c, w);
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
