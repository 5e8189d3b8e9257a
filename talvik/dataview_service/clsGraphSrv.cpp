#include "talvik/dataview_service/clsGraphSrv.h"

#include "platform/runtime/numeric.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"

#include <QFile>

namespace talvik {

namespace {

QString countPart(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || platform::Val(t) < 0)
        return QStringLiteral("-");
    return t;
}

} // namespace

bool demandTableHasCounts(const QString &folder)
{
    QFile schema(platform::shell::toNativePath(folder + QStringLiteral("\\schema.ini")));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    return schema.readAll().contains("created1");
}

QString clsGraphSrv::annotationText(const QString &caution, const QString &limit)
{
    return QStringLiteral("注意：") + countPart(caution) + QStringLiteral(", 限界：") + countPart(limit);
}

void clsGraphSrv::setGraphData(platform::print::DrawSurface &surface, const QString &nodePath, int style,
                               int outValue, int threshold, int scale)
{
    const int sep = nodePath.indexOf(QStringLiteral("::"));
    m_hasCounts = demandTableHasCounts(sep >= 0 ? nodePath.left(sep) : nodePath);
    clsGraph::setGraphData(surface, nodePath, style, outValue == valueMaximum ? valueMaximum : valueAverage,
                           threshold, scale);
}

QString clsGraphSrv::extraColumns(int kind, int outValue) const
{
    QString caution;
    QString limit;
    if (!m_hasCounts) {
        caution = limit = QStringLiteral("'-1'");
    } else if (kind == kindDay) {
        caution = QStringLiteral("FORMAT(VAL(created1),'###0')");
        limit = QStringLiteral("FORMAT(VAL(created2),'###0')");
    } else if (outValue == valueMaximum) {
        // As text "-001" sorts below every count: a real count wins.
        caution = QStringLiteral("FORMAT(VAL(MAX(created1)),'###0')");
        limit = QStringLiteral("FORMAT(VAL(MAX(created2)),'###0')");
    } else {
        // Only the half hours that have counts are averaged; none gives NULL.
        caution = QStringLiteral("FORMAT(AVG(NULLIF(CAST(created1 AS INTEGER),-1)),'###0')");
        limit = QStringLiteral("FORMAT(AVG(NULLIF(CAST(created2 AS INTEGER),-1)),'###0')");
    }
    if (kind == kindDay)
        return caution + QStringLiteral(" as 注意件数, ") + limit + QStringLiteral(" as 限界件数, ");
    return QStringLiteral(",") + caution + QStringLiteral(" as 注意件数, ") + limit + QStringLiteral(" as 限界件数 ");
}

void clsGraphSrv::annotateBar(GraphBar &bar, platform::textdb::Recordset &row) const
{
    bar.annotation = annotationText(row.Fields(2).text(), row.Fields(3).text());
}

} // namespace talvik
