#include "storeFixture.h"

#include "talvik/store/clsDataD.h"

using namespace storetest;

namespace {

class TableView : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        writeFile(QStringLiteral("dDB.tran\\Kita\\2024年\\schema.ini"), expectedSchema4());
        writeFile(QStringLiteral("dDB.tran\\Kita\\2024年\\demand.csv"),
                  "24060112000121202406011235\r\n"
                  "24051323300120202405140005\r\n"
                  "24051310000005202405131035\r\n"
                  "24051400000999202405140035\r\n");
        year = home() + QStringLiteral("\\dDB.tran\\Kita\\2024年");
    }
    QStringList column(int c)
    {
        QStringList out;
        for (int r = 1; r < window.grid.Rows(); ++r)
            out << window.grid.TextMatrix(r, c);
        return out;
    }
    QString year;
    talvik::clsDataD d;
};

} // namespace

TEST_F(TableView, YearNodeTextsColoursAndWidths)
{
    auto &g = window.grid;
    d.setDispData(g, year, 12);
    ASSERT_EQ(g.Rows(), 5);
    ASSERT_EQ(g.Cols(), 5);
    EXPECT_EQ(g.FixedRows(), 1);
    const QStringList header = {"監視年月日", "開始時間", "終了時間", "デマンド値［kW］", "取得日時"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(g.TextMatrix(0, c), header[c]);
    EXPECT_EQ(column(0), QStringList({"2024年05月13日", "2024年05月13日", "2024年05月14日", "2024年06月01日"}));
    EXPECT_EQ(column(1), QStringList({"10時00分", "23時30分", "00時00分", "12時00分"}));
    EXPECT_EQ(column(2), QStringList({"10時30分", "00時00分", "00時30分", "12時30分"}));
    EXPECT_EQ(column(3), QStringList({"0.5", "12.0", "99.9", "12.1"}));
    EXPECT_EQ(column(4), QStringList({"2024/05/13 10:35", "2024/05/14 00:05", "2024/05/14 00:35", "2024/06/01 12:35"}));
    // Above the threshold only: 12.0 is not, 12.1 and 99.9 are; only column 3.
    EXPECT_EQ(g.cellBackColorAt(1, 3), 0u);
    EXPECT_EQ(g.cellBackColorAt(2, 3), 0u);
    EXPECT_EQ(g.cellBackColorAt(3, 3), 0xC0C0FFu);
    EXPECT_EQ(g.cellBackColorAt(4, 3), 0xC0C0FFu);
    EXPECT_EQ(g.cellBackColorAt(4, 2), 0u);
    EXPECT_EQ(g.ColWidth(0), 2 * 500);
    EXPECT_EQ(g.ColWidth(3), int(1.5 * 900));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_TRUE(g.Redraw());
    EXPECT_TRUE(g.Enabled());
}

TEST_F(TableView, MonthAndDayNodesFilterAndZeroThresholdColoursNothing)
{
    auto &g = window.grid;
    d.setDispData(g, year + QStringLiteral("::2405"), 0);
    EXPECT_EQ(column(1), QStringList({"10時00分", "23時30分", "00時00分"}));
    for (int r = 1; r < g.Rows(); ++r)
        EXPECT_EQ(g.cellBackColorAt(r, 3), 0u);
    d.setDispData(g, year + QStringLiteral("::240513"), 10);
    EXPECT_EQ(column(3), QStringList({"0.5", "12.0"}));
    EXPECT_EQ(g.cellBackColorAt(2, 3), 0xC0C0FFu);
    // The colours of the earlier fill are gone.
    d.setDispData(g, year + QStringLiteral("::2406"), 50);
    EXPECT_EQ(column(3), QStringList({"12.1"}));
    EXPECT_EQ(g.cellBackColorAt(1, 3), 0u);
}

TEST_F(TableView, NodesWithoutATableLeaveTheGridCleared)
{
    auto &g = window.grid;
    d.setDispData(g, year, 12);
    d.setDispData(g, home() + QStringLiteral("\\dDB.tran\\Kita"), 12);
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < g.Cols(); ++c)
            EXPECT_EQ(g.TextMatrix(r, c), QString());
    EXPECT_TRUE(g.Redraw());
    d.setDispData(g, QString(), 12);
    EXPECT_TRUE(g.Redraw());
}
