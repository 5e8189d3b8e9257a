// Store benchmark: a seeded synthetic store (customers x years x 17,520 half
// hours with day curves), then the store run, the tree build, the table view
// fill and the graph queries, each timed. Run by hand: bench_store [folder].
#include "platform/forms/flexgrid.h"
#include "platform/forms/treeview.h"
#include "platform/textdb/textdb.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/demandTable.h"
#include "bench/bench_store.h"
#include "bench/store_generator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <random>
#include <vector>

namespace {


using bench::demandAt;
using bench::writeYear;
using bench::generate;

double ms(QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

void feed(talvik::clsDataD &d, const QDateTime &from, int n, std::mt19937 &rng)
{
    d.getSendCMD();
    QDateTime t = from;
    for (int i = 0; i < n; ++i, t = t.addSecs(1800)) {
        QByteArray b = "\x02RD" + t.toString(QStringLiteral("yyMMddHHmm")).toLatin1()
                       + QByteArray::number(demandAt(rng, t, 600)).rightJustified(4, '0') + (i + 1 == n ? "\x03" : "\x17");
        d.setRecvData(b, 18);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString home = argc > 1 && argv[1][0] != '-' ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    qputenv("TALVIK_HOME", home.toUtf8());
    bench::StoreWindow w;
    talvik::StoreServices &s = talvik::storeServices();
    talvik::dataForm = &w;
    // The program's services (DoEvents, pointer, clock), but messages go to
    // standard error and no log is written.
    s.msgBox = [](const QString &t) { std::fprintf(stderr, "message: %s\n", qPrintable(t)); };
    s.addLog = [](platform::forms::ListBox *, const QString &) {};

    QElapsedTimer t;
    // "--store <folder>": a store of 30 customers x 5 years that the program
    // shows when started on that folder.
    if (argc > 2 && QByteArray(argv[1]) == "--store") {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        t.start();
        const bool ok = bench::writeProgramStore(folder, 30, 5, 20240513);
        std::printf("program store of 30 customers x 5 years in %s: %.0f ms (%s)\n", qPrintable(folder), ms(t),
                    ok ? "ok" : "FAILED");
        return ok ? 0 : 1;
    }
    // "--fill": only the year table view, repeated (for profiling).
    if (argc > 1 && QByteArray(argv[1]) == "--fill") {
        std::mt19937 rng(7);
        const QString folder = home + QStringLiteral("/dDB.tran/C001/2019年");
        writeYear(folder, 2019, rng, 510);
        talvik::clsDataD d;
        std::vector<double> fills;
        for (int i = 0; i < 20; ++i) {
            t.restart();
            d.setDispData(w.grid, folder, 60);
            fills.push_back(ms(t));
        }
        std::sort(fills.begin(), fills.end());
        std::printf("table view, year (%d rows) x20: median %.0f ms, max %.0f ms\n", w.grid.Rows() - 1,
                    fills[fills.size() / 2], fills.back());
        return 0;
    }
    t.start();
    generate(home, 30, 5, 20240513);
    std::printf("generate 30 customers x 5 years: %.0f ms\n", ms(t));
    std::mt19937 rng(7);

    talvik::clsDataD d;
    d.setCustomer(QStringLiteral("C000"));
    // 17,520 records over a full year (2019 holds 17,520 rows already).
    feed(d, QDateTime(QDate(2019, 1, 1), QTime(0, 30), Qt::UTC), 17520, rng);
    t.restart();
    const bool ok1 = d.fire(true);
    std::printf("store run, 17,520 records into a full year: %.0f ms (%s)\n", ms(t), ok1 ? "ok" : "FAILED");
    feed(d, QDateTime(QDate(2018, 1, 1), QTime(0, 30), Qt::UTC), 35040, rng);
    t.restart();
    const bool ok2 = d.fire(true);
    std::printf("store run, 35,040 records over two years: %.0f ms (%s)\n", ms(t), ok2 ? "ok" : "FAILED");

    const QString year = home + QStringLiteral("\\dDB.tran\\C001\\2019年");
    t.restart();
    d.setDispData(w.grid, year, 60);
    std::printf("table view, year (%d rows, first fill with table load): %.0f ms\n", w.grid.Rows() - 1, ms(t));
    t.restart();
    d.setDispData(w.grid, year, 60);
    std::printf("table view, year (cached table): %.0f ms\n", ms(t));
    t.restart();
    d.setDispData(w.grid, year + QStringLiteral("::1907"), 60);
    std::printf("table view, month (%d rows): %.0f ms\n", w.grid.Rows() - 1, ms(t));

    auto timeQuery = [&](const char *name, const QString &sql) {
        QElapsedTimer q;
        q.start();
        platform::textdb::Connection cn;
        cn.Open(talvik::textDriverConnectionString(year));
        platform::textdb::Recordset rs;
        rs.Open(sql, cn);
        std::printf("query %s: %ld rows, %.1f ms\n", name, rs.RecordCount(), ms(q));
    };
    timeQuery("months of a year", QStringLiteral("Select  distinct Mid(getdt,3,2) from demand.csv order by Mid(getdt,3,2)"));
    timeQuery("days of a month", QStringLiteral("Select  distinct Mid(getdt,5,2) from demand.csv Where Mid(getdt,3,2) = '07'  order by Mid(getdt,5,2)"));
    timeQuery("month graph (max per day)", QStringLiteral("Select Mid(getdt,5,2) as 監視日,MAX(watt) as 電力量 From demand.csv Where getdt like '1907%' Group By Mid(getdt,5,2)"));
    timeQuery("year graph (avg per month)", QStringLiteral("Select Mid(getdt,3,2) as 監視月,AVG(watt) as 電力量 From demand.csv Group By Mid(getdt,3,2)"));
    timeQuery("day graph", QStringLiteral("Select Left(gettm,2) & ':' & Mid(gettm,3,2) as 監視時間,watt as 電力量［KW］, '20' & Left(getdt,2) & '年' & Mid(getdt,3,2) & '月' & Mid(getdt,5,2) & '日' as 検索用日付,Left(gettm,2) & '時' & Mid(gettm,3,2) & '分' as 検索用時間 From demand.csv Where getdt = '190725' Order by gettm"));

    // Tree of 100 customers x 10 years (folders only).
    QTemporaryDir big;
    for (int c = 0; c < 100; ++c)
        for (int y = 0; y < 10; ++y)
            QDir().mkpath(big.path() + QStringLiteral("/dDB.tran/K%1/20%2年").arg(c).arg(10 + y));
    qputenv("TALVIK_HOME", big.path().toUtf8());
    t.restart();
    w.tree.mkNodeInit(w.view, nullptr);
    std::printf("tree build, 100 customers x 10 years (%d nodes): %.1f ms\n", w.view.Count(), ms(t));
    return ok1 && ok2 ? 0 : 1;
}
