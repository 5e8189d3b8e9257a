#pragma once
// The demand graph of the service-mode data window: the data window's graph
// with the caution and limit counts of every slot as its annotation
// ("注意：" count ", 限界：" count), month and year slots placed by their day
// and month number, and any value mode other than maximum drawn as average.
#include "talvik/dataview/clsGraph.h"

namespace talvik {

class clsGraphSrv : public clsGraph {
public:
    // outValue 0 maximum; any other value average.
    void setGraphData(platform::print::DrawSurface &surface, const QString &nodePath, int style, int outValue,
                      int threshold, int scale) override;

    // The annotation of a slot whose counts are "caution" and "limit" as the
    // query gives them; an empty text or a negative count reads "-".
    static QString annotationText(const QString &caution, const QString &limit);

protected:
    QString extraColumns(int kind, int outValue) const override;
    bool slotsByNumber() const override { return true; }
    void annotateBar(GraphBar &bar, platform::textdb::Recordset &row) const override;

private:
    // The table of the drawn node has the two count columns (a table made
    // by the ordinary data window has not).
    bool m_hasCounts = true;
};

// Whether the demand table in folder is described with the count columns.
bool demandTableHasCounts(const QString &folder);

} // namespace talvik
