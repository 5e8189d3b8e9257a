// Pure parts of the stand-in device: framing, receive rules, fault texts,
// field checks, demand curves and the command line.
#include "tools/devicesim/demand.h"
#include "tools/devicesim/faultplan.h"
#include "tools/devicesim/frame.h"
#include "tools/devicesim/model.h"
#include "tools/devicesim/options.h"

#include <gtest/gtest.h>

using namespace devicesim;

namespace {

QList<ReceivedUnit> feedAll(const QByteArray &bytes, QByteArray *noise = nullptr)
{
    QList<ReceivedUnit> units;
    FrameReceiver r;
    r.onUnit = [&](const ReceivedUnit &u) { units.append(u); };
    r.onNoise = [&](char b) {
        if (noise)
            noise->append(b);
    };
    r.feed(bytes);
    return units;
}

} // namespace

TEST(Frame, BccIsXorFromStxThroughEnd)
{
    // STX R V ETX: 02 ^ 52 ^ 56 ^ 03 = 05
    EXPECT_EQ(makeFrame("RV"), QByteArray("\x02RV\x03\x05", 5));
    const QByteArray f = makeFrame("RD2403150930", ETB);
    EXPECT_EQ(f.at(f.size() - 2), ETB);
    EXPECT_EQ(bcc(f), 0);   // XOR over the frame and its BCC is zero
    EXPECT_EQ(toHex(QByteArray("\x02\xAB", 2)), QStringLiteral("02 AB"));
}

TEST(FrameReceiver, FollowsTheLinkRules)
{
    QByteArray noise;
    // noise, then a good frame
    auto u = feedAll(QByteArray("\x00\x41\x04", 3) + makeFrame("RV"), &noise);
    ASSERT_EQ(u.size(), 1);
    EXPECT_TRUE(u[0].bccOk);
    EXPECT_EQ(u[0].bytes, QByteArray("\x02RV\x03"));
    EXPECT_EQ(noise, QByteArray("\x00\x41\x04", 3));

    // ACK inside a frame ends it unreported and is itself reported
    u = feedAll(QByteArray("\x02RV\x06", 4));
    ASSERT_EQ(u.size(), 1);
    EXPECT_EQ(u[0].kind, ReceivedUnit::Ack);

    // a second STX is dropped and not counted in the BCC
    const QByteArray good = makeFrame("RT");
    u = feedAll(good.left(2) + STX + good.mid(2));
    ASSERT_EQ(u.size(), 1);
    EXPECT_TRUE(u[0].bccOk);
    EXPECT_EQ(u[0].bytes, QByteArray("\x02RT\x03"));

    // the byte after ETX is the BCC even when it is NAK
    u = feedAll(QByteArray("\x02RX\x03\x15", 5));
    ASSERT_EQ(u.size(), 1);
    EXPECT_EQ(u[0].kind, ReceivedUnit::Frame);
    EXPECT_FALSE(u[0].bccOk);

    // more than 1024 bytes: first 1024 kept, BCC then fails
    const QByteArray big = makeFrame(QByteArray(1100, '7'));
    u = feedAll(big);
    ASSERT_EQ(u.size(), 1);
    EXPECT_EQ(u[0].bytes.size(), kMaxFrameBytes);
    EXPECT_FALSE(u[0].bccOk);
}

TEST(FaultPlan, ParsesFaultTexts)
{
    auto f = parseFault("RD:badbcc@3");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command, QByteArray("RD"));
    EXPECT_EQ(f->kind, FaultKind::BadBcc);
    EXPECT_EQ(f->block, 3);
    EXPECT_EQ(f->times, -1);

    f = parseFault("WS:nak:3");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, FaultKind::Nak);
    EXPECT_EQ(f->times, 3);

    f = parseFault("ws:alwaysnak");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command, QByteArray("WS"));
    EXPECT_EQ(f->times, -1);

    f = parseFault("RT:delay:1200x2");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->arg, 1200);
    EXPECT_EQ(f->times, 2);

    f = parseFault("RD:badfield:7=32@*");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fieldPos, 7);
    EXPECT_EQ(f->fieldText, QByteArray("32"));
    EXPECT_EQ(f->block, 0);

    QString why;
    EXPECT_FALSE(parseFault("XX:badbcc", &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(parseFault("RD:wobble"));
    EXPECT_FALSE(parseFault("RD:badbcc@0"));
    EXPECT_FALSE(parseFault("RD:nak:0"));
    EXPECT_FALSE(parseFault("RD:silence:5"));
    EXPECT_FALSE(parseFault("RD:badfield:=1"));
    EXPECT_FALSE(parseFault("RD"));
}

TEST(FaultPlan, MatchesCommandBlockAndCountsFirings)
{
    auto kindOf = [](const std::optional<Fault> &f) { return f ? f->kind : FaultKind::None; };
    FaultPlan plan;
    ASSERT_TRUE(plan.add("RD:badbcc@2x1"));
    ASSERT_TRUE(plan.add("WS:nak:2"));
    ASSERT_TRUE(plan.add("RV:silence"));        // block 1 by default
    ASSERT_TRUE(plan.add("*:noise@*"));

    EXPECT_EQ(kindOf(plan.takeFrameFault("RD", 1)), FaultKind::Noise);   // only the wildcard hits block 1
    EXPECT_EQ(kindOf(plan.takeFrameFault("RD", 2)), FaultKind::BadBcc);
    EXPECT_EQ(kindOf(plan.takeFrameFault("RD", 2)), FaultKind::Noise);   // badbcc spent
    EXPECT_EQ(kindOf(plan.takeFrameFault("RV", 1)), FaultKind::Silence);
    EXPECT_EQ(kindOf(plan.takeFrameFault("RV", 1)), FaultKind::Silence); // no count: stays
    EXPECT_FALSE(plan.takeRequestFault("RD"));
    EXPECT_TRUE(plan.takeRequestFault("WS"));
    EXPECT_FALSE(plan.takeRequestFault("WSA"));
    EXPECT_TRUE(plan.takeRequestFault("WS"));
    EXPECT_FALSE(plan.takeRequestFault("WS"));                           // NAK twice, then normal
    plan.clear("*");
    plan.clear("RV");
    EXPECT_TRUE(plan.isEmpty());
}

TEST(Model, VersionTextsSatisfyTheHostsPredicates)
{
    auto has = [](const QByteArray &t, const char *s) { return t.contains(s); };
    for (Model m : {Model::Reader, Model::T4KA10, Model::T4KA, Model::T4KB, Model::T6KA, Model::Unknown})
        EXPECT_EQ(versionTextOf(m).size(), 16);
    EXPECT_TRUE(has(versionTextOf(Model::Reader), "RDX-9"));
    EXPECT_TRUE(has(versionTextOf(Model::T4KA10), "T4KA") && has(versionTextOf(Model::T4KA10), "1.0"));
    EXPECT_TRUE(has(versionTextOf(Model::T4KA), "T4KA") && !has(versionTextOf(Model::T4KA), "1.0"));
    EXPECT_TRUE(has(versionTextOf(Model::T4KB), "T4KB") && !has(versionTextOf(Model::T4KB), "T4KA"));
    EXPECT_TRUE(has(versionTextOf(Model::T6KA), "T6KA") && !has(versionTextOf(Model::T6KA), "T4K"));
    const QByteArray u = versionTextOf(Model::Unknown);
    for (const char *name : {"RDX-9", "T4KA", "T4KB", "T6KA"})
        EXPECT_FALSE(has(u, name)) << name;
    EXPECT_FALSE(parseModel("T5KA"));
    EXPECT_EQ(parseModel("t4ka-1.0"), Model::T4KA10);
}

TEST(Model, SettingsChecks)
{
    EXPECT_TRUE(validSettingsText(SettingsLayout::S, defaultSettingsText(SettingsLayout::S)));
    EXPECT_TRUE(validSettingsText(SettingsLayout::SA, defaultSettingsText(SettingsLayout::SA)));
    EXPECT_TRUE(validSettingsText(SettingsLayout::SB, defaultSettingsText(SettingsLayout::SB)));
    EXPECT_FALSE(validSettingsText(SettingsLayout::S, "1805" "1" "10" "1" "2" "1"));   // watt 4th digit
    EXPECT_FALSE(validSettingsText(SettingsLayout::S, "1800" "4" "10" "1" "2" "1"));   // CT option
    EXPECT_FALSE(validSettingsText(SettingsLayout::S, "1800" "1" "04" "1" "2" "1"));   // skip below 5
    EXPECT_FALSE(validSettingsText(SettingsLayout::S, "1800" "1" "16" "1" "2" "1"));   // skip above 15
    EXPECT_FALSE(validSettingsText(SettingsLayout::S, "1800" "1" "10" "1" "2" "3"));   // buzzer option
    EXPECT_TRUE(validSettingsText(SettingsLayout::SA, "0000" "595" "15" "100"));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SA, "2500" "600" "10" "080"));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SA, "2500" "023" "10" "080"));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SA, "2500" "100" "10" "065"));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SA, "2500" "100" "10" "190"));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SA, "2500" "100" "03" "080"));
    const QByteArray blanks(15, ' ');
    EXPECT_TRUE(validSettingsText(SettingsLayout::SB, "3000" "150" "03" "090" "02000" + blanks));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SB, "3000" "150" "02" "090" "02000" + blanks));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SB, "3000" "150" "05" "090" "12345" + blanks));
    EXPECT_FALSE(validSettingsText(SettingsLayout::SB, "3000" "150" "05" "090" "50000"));   // short
}

TEST(Model, ClockFieldsAndNumbers)
{
    EXPECT_EQ(parseClockFields("2402291230"), QDateTime(QDate(2024, 2, 29), QTime(12, 30), Qt::UTC));
    EXPECT_FALSE(parseClockFields("2302291230"));   // no 29 February in 2023
    EXPECT_FALSE(parseClockFields("2400151230"));   // month 00
    EXPECT_FALSE(parseClockFields("2413151230"));
    EXPECT_FALSE(parseClockFields("2403152400"));
    EXPECT_FALSE(parseClockFields("2403151260"));
    EXPECT_FALSE(parseClockFields("24031512a0"));
    EXPECT_TRUE(isNineDigits("000012345"));
    EXPECT_FALSE(isNineDigits("00001234"));
    EXPECT_FALSE(isNineDigits("00001234X"));
    QSet<QByteArray> seen;
    for (int i = 0; i < 99; ++i) {
        const QByteArray n = customerNumberFor(42, i);
        EXPECT_TRUE(isNineDigits(n)) << n.constData();
        seen.insert(n);
    }
    EXPECT_EQ(seen.size(), 99);
}

TEST(Demand, DeterministicPlausibleDayCurves)
{
    const QDateTime end(QDate(2024, 3, 15), QTime(9, 47), Qt::UTC);   // a Friday
    const auto a = generateDemand(7, 0, end, 3);
    const auto b = generateDemand(7, 0, end, 3);
    ASSERT_EQ(a.size(), 3 * 48);
    EXPECT_EQ(a.last().stamp, QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC));
    EXPECT_EQ(a.first().stamp, a.last().stamp.addSecs(-(3 * 48 - 1) * 1800));
    for (int i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].watt, b[i].watt);
        EXPECT_GE(a[i].watt, 0);
        EXPECT_LE(a[i].watt, 9999);
        if (i > 0) {
            EXPECT_EQ(a[i - 1].stamp.secsTo(a[i].stamp), 1800);
        }
    }
    // A different seed gives other values; the same half hour keeps its
    // value whatever the range asked for.
    const auto c = generateDemand(8, 0, end, 3);
    int differ = 0;
    for (int i = 0; i < a.size(); ++i)
        differ += a[i].watt != c[i].watt;
    EXPECT_GT(differ, a.size() / 2);
    const auto longer = generateDemand(7, 0, end, 5);
    EXPECT_EQ(longer.last().watt, a.last().watt);

    // Working-day afternoon above the night and above a Sunday afternoon.
    const QDateTime wed15(QDate(2024, 3, 13), QTime(15, 0), Qt::UTC);
    const QDateTime wed03(QDate(2024, 3, 13), QTime(3, 0), Qt::UTC);
    const QDateTime sun15(QDate(2024, 3, 17), QTime(15, 0), Qt::UTC);
    EXPECT_GT(demandAt(7, 0, wed15), demandAt(7, 0, wed03) * 2);
    EXPECT_GT(demandAt(7, 0, wed15), demandAt(7, 0, sun15));
    EXPECT_TRUE(generateDemand(7, 0, end, 0).isEmpty());
}

TEST(Options, CommandLine)
{
    ProgramOptions o;
    QString err;
    ASSERT_TRUE(parseProgramOptions({"--model", "RDX-9", "--link", "/tmp/x", "--customers", "5", "--days",
                                     "2", "--seed", "9", "--end", "202403150930", "--fault",
                                     "RD:badbcc@2", "--fault", "WS:nak:3", "--quiet"},
                                    &o, &err))
        << err.toStdString();
    EXPECT_EQ(o.config.model, Model::Reader);
    EXPECT_EQ(o.linkPath, QStringLiteral("/tmp/x"));
    EXPECT_EQ(o.config.customers, 5);
    EXPECT_EQ(o.config.days, 2);
    EXPECT_EQ(o.config.seed, 9u);
    EXPECT_EQ(o.config.end, QDateTime(QDate(2024, 3, 15), QTime(9, 30), Qt::UTC));
    ASSERT_EQ(o.faults.size(), 2);
    EXPECT_EQ(o.faults[1].times, 3);
    EXPECT_TRUE(o.quiet);

    EXPECT_FALSE(parseProgramOptions({"--model", "RDX-9"}, &o, &err));              // no link
    EXPECT_FALSE(parseProgramOptions({"--model", "X1", "--link", "/tmp/x"}, &o, &err));
    EXPECT_FALSE(parseProgramOptions({"--model", "T6KA", "--link", "/tmp/x", "--days", "-1"}, &o, &err));
    EXPECT_FALSE(parseProgramOptions({"--model", "T6KA", "--link", "/tmp/x", "--end", "2024"}, &o, &err));
    EXPECT_FALSE(parseProgramOptions({"--model", "T6KA", "--link", "/tmp/x", "--fault", "RD:x"}, &o, &err));
    EXPECT_FALSE(parseProgramOptions({"--model", "T6KA", "--link"}, &o, &err));
    bool help = false;
    EXPECT_FALSE(parseProgramOptions({"--help"}, &o, &err, &help));
    EXPECT_TRUE(help);
    EXPECT_TRUE(err.contains(QStringLiteral("--model")));
}
