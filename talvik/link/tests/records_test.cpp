// The device message records: request frames, reply checks, field writes and
// what fire pushes into the windows.
#include "platform/runtime/runtime_error.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsDataT.h"
#include "talvik/link/clsDataV.h"
#include "tests/windowDoubles.h"

#include <gtest/gtest.h>

using namespace talvik;

namespace {

QByteArray f(const char *body)
{
    return QByteArray("\x02") + body + QByteArray("\x03");
}

int errorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const platform::RuntimeError &e) {
        return e.Number();
    }
    return 0;
}

template <class R> bool accepts(R &r, const QByteArray &frame)
{
    return r.setRecvData(frame, int(frame.size()));
}

} // namespace

TEST(SettingsRecords, RequestsAndNoDirection)
{
    clsDataS s;
    clsDataSA sa;
    clsDataSB sb;
    EXPECT_TRUE(s.getSendCMD().isEmpty()); // a new record has no direction
    EXPECT_TRUE(sb.getSendCMD().isEmpty());
    s.setRd(true);
    sa.setWt(false);
    sb.setRd(true);
    EXPECT_EQ(s.getSendCMD(), f("RS"));
    EXPECT_EQ(sa.getSendCMD(), f("RSA"));
    EXPECT_EQ(sb.getSendCMD(), f("RSB"));
    EXPECT_TRUE(sa.rd());
    EXPECT_FALSE(sa.wt());
}

TEST(SettingsRecords, ClsDataSChecks)
{
    clsDataS s;
    // RS, watt, pulseF, skip, w_level, w_interval1, rumble
    EXPECT_TRUE(accepts(s, f("RS" "1800" "2" "10" "1" "2" "2")));
    EXPECT_TRUE(accepts(s, f("RS" "0000" "0" "15" "0" "0" "0"))); // 0 kW, skip 15
    EXPECT_FALSE(accepts(s, f("RS" "1805" "2" "10" "1" "2" "2"))); // 4th watt digit not 0
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "04" "1" "2" "2"))); // skip 04
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "16" "1" "2" "2"))); // skip 16
    EXPECT_FALSE(accepts(s, f("RS" "1800" "4" "10" "1" "2" "2"))); // pulseF 4
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "10" "3" "2" "2"))); // w_level 3
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "10" "1" "4" "2"))); // w_interval1 4
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "10" "1" "2" "3"))); // rumble 3
    EXPECT_FALSE(accepts(s, f("WS" "1800" "2" "10" "1" "2" "2")));
    // Wrong length: rejected and the image keeps the last good reply.
    EXPECT_TRUE(accepts(s, f("RS" "1800" "2" "10" "1" "2" "2")));
    EXPECT_FALSE(accepts(s, f("RS" "1800" "2" "10" "1" "2" "22")));
    EXPECT_EQ(s.watt(), QStringLiteral("1800"));
    // A rejected reply of the right length is still copied.
    EXPECT_FALSE(accepts(s, f("RS" "9999" "2" "10" "1" "2" "2")));
    EXPECT_EQ(s.watt(), QStringLiteral("9999"));
}

TEST(SettingsRecords, ClsDataSAChecks)
{
    clsDataSA sa;
    EXPECT_TRUE(accepts(sa, f("RSA180059505085")));
    EXPECT_TRUE(accepts(sa, f("RSB180000505100"))); // byte 3 not checked
    EXPECT_TRUE(accepts(sa, f("RSA180000505000")));
    EXPECT_FALSE(accepts(sa, f("RSA180060005085"))); // pulseF 600
    EXPECT_FALSE(accepts(sa, f("RSA180002305085"))); // pulseF 023
    EXPECT_FALSE(accepts(sa, f("RSA180000505065"))); // w_level 065
    EXPECT_FALSE(accepts(sa, f("RSA180000505200"))); // w_level 200
    EXPECT_FALSE(accepts(sa, f("RSA180000504085"))); // skip 04
    EXPECT_FALSE(accepts(sa, f("RSA180000503085"))); // skip 03
}

TEST(SettingsRecords, ClsDataSBChecks)
{
    clsDataSB sb;
    const QByteArray blanks(15, ' ');
    EXPECT_TRUE(accepts(sb, f(QByteArray("RSB180010003090" "50000" + blanks).constData())));
    EXPECT_TRUE(accepts(sb, f(QByteArray("RSB180010004090" "12345" + blanks).constData())));
    EXPECT_FALSE(accepts(sb, f(QByteArray("RSB180010016090" "50000" + blanks).constData())));
    EXPECT_FALSE(accepts(sb, f(QByteArray("RSB180010005090" "5000A" + blanks).constData())));
    EXPECT_FALSE(accepts(sb, f(QByteArray("RSB180010002090" "50000" + blanks).constData())));
}

TEST(SettingsRecords, FirePushesValuesIntoTheWindow)
{
    linktest::SettingWindowDouble w;
    clsDataS s;
    EXPECT_FALSE(s.fire()); // no window
    s.setSettingWindow(&w);
    ASSERT_TRUE(accepts(s, f("RS" "1800" "2" "10" "0" "1" "2")));
    ASSERT_TRUE(s.fire());
    EXPECT_DOUBLE_EQ(w.watt.v, 180.0);
    EXPECT_EQ(w.watt.color, colorWhite);
    EXPECT_DOUBLE_EQ(w.skipTime.v, 10.0);
    EXPECT_EQ(w.optWattA.selected(), 2);
    EXPECT_EQ(w.optWattA.o[3].color, colorButtonFace);
    EXPECT_EQ(w.optWlevelA.selected(), 0);
    EXPECT_EQ(w.optWlevelA.o[2].color, colorButtonFace);
    EXPECT_EQ(w.optWinterval1A.selected(), 1);
    EXPECT_EQ(w.optRumbleA.selected(), 2);
    EXPECT_EQ(w.preDataCalls, 1);

    linktest::SettingWindowDouble w2;
    clsDataSA sa;
    sa.setSettingWindow(&w2);
    ASSERT_TRUE(accepts(sa, f("RSA" "0250" "150" "12" "095")));
    ASSERT_TRUE(sa.fire());
    EXPECT_DOUBLE_EQ(w2.watt.v, 25.0);
    EXPECT_DOUBLE_EQ(w2.pulseF2.v, 150.0);
    EXPECT_DOUBLE_EQ(w2.skipTime.v, 12.0);
    EXPECT_DOUBLE_EQ(w2.wLevel2.v, 95.0);
    EXPECT_EQ(w2.preDataCalls, 1);

    linktest::SettingWindowDouble w3;
    clsDataSB sb;
    sb.setSettingWindow(&w3);
    ASSERT_TRUE(accepts(sb, f(QByteArray("RSB099010003090" "02000" + QByteArray(15, ' ')).constData())));
    ASSERT_TRUE(sb.fire());
    EXPECT_EQ(w3.optPulA.selected(), 1);
    EXPECT_EQ(w3.optPulA.o[0].color, colorButtonFace);
    EXPECT_DOUBLE_EQ(w3.skipTime.v, 3.0);
    EXPECT_DOUBLE_EQ(w3.watt.v, 99.0);
}

TEST(SettingsRecords, WriteFramesAndFieldWidths)
{
    clsDataSB sb;
    const QByteArray reply = f(QByteArray("RSB180010003090" "50000" "XXXXXXXXXXXXXXX").constData());
    ASSERT_FALSE(accepts(sb, reply.left(36))); // wrong length
    accepts(sb, reply);
    sb.setWt(true);
    const QByteArray w = sb.getSendCMD();
    ASSERT_EQ(w.size(), 37);
    EXPECT_EQ(w.left(4), QByteArray("\x02WSB"));
    EXPECT_EQ(w.mid(4, 17), reply.mid(4, 17)); // fields as read
    EXPECT_EQ(w.mid(21, 15), QByteArray(15, ' '));
    EXPECT_EQ(w.at(36), '\x03');

    // Widths and digits are enforced; a refused write leaves the image alone.
    clsDataS s;
    accepts(s, f("RS" "1800" "2" "10" "0" "1" "2"));
    EXPECT_EQ(errorOf([&] { s.setWatt(QStringLiteral("180")); }), 380);
    EXPECT_EQ(errorOf([&] { s.setWatt(QStringLiteral("18000")); }), 380);
    EXPECT_EQ(errorOf([&] { s.setSkip(QStringLiteral("１０")); }), 380); // full-width digits
    EXPECT_EQ(errorOf([&] { s.setSkip(QStringLiteral("1a")); }), 380);
    EXPECT_EQ(s.skip(), QStringLiteral("10"));
    EXPECT_EQ(s.watt(), QStringLiteral("1800"));
    s.setWatt(QStringLiteral("2500"));
    s.setRumble(QStringLiteral("0"));
    s.setWt(true);
    EXPECT_EQ(s.getSendCMD(), f("WS" "2500" "2" "10" "0" "1" "0"));
    EXPECT_FALSE(s.rd());
}

TEST(ClockRecord, ChecksTheReply)
{
    clsDataT t;
    EXPECT_TRUE(t.getSendCMD().isEmpty());
    t.setRd(true);
    EXPECT_EQ(t.getSendCMD(), f("RT"));
    EXPECT_TRUE(accepts(t, f("RT2403150905")));
    EXPECT_TRUE(accepts(t, f("RT2402290000")));  // leap year
    EXPECT_FALSE(accepts(t, f("RT2302290000"))); // not a leap year
    EXPECT_TRUE(accepts(t, f("RT2400000000")));  // month 00 day 00
    EXPECT_FALSE(accepts(t, f("RT2400010000")));
    EXPECT_FALSE(accepts(t, f("RT2413010000"))); // month 13
    EXPECT_FALSE(accepts(t, f("RT2401012400"))); // hour 24
    EXPECT_FALSE(accepts(t, f("RT2401012360"))); // minute 60
    EXPECT_FALSE(accepts(t, f("RT2404310000"))); // 31 April
    EXPECT_FALSE(accepts(t, f("RT2A01010000")));
    EXPECT_FALSE(accepts(t, f("RV2401010000")));
    // 15 bytes: rejected, image untouched.
    ASSERT_TRUE(accepts(t, f("RT2403150905")));
    EXPECT_FALSE(accepts(t, f("RT24031509050")));
    EXPECT_EQ(t.minute(), QStringLiteral("05"));
}

TEST(ClockRecord, FireAndWrite)
{
    linktest::ClockWindowDouble w;
    clsDataT t;
    accepts(t, f("RT2403150905"));
    EXPECT_FALSE(t.fire());
    t.setClockWindow(&w);
    ASSERT_TRUE(t.fire());
    EXPECT_EQ(w.date.t, QStringLiteral("2024/03/15"));
    EXPECT_EQ(w.time.t, QStringLiteral("09:05"));
    t.setYear(QStringLiteral("25"));
    t.setHour(QStringLiteral("23"));
    EXPECT_EQ(errorOf([&] { t.setMinute(QStringLiteral("5")); }), 380);
    t.setWt(true);
    EXPECT_EQ(t.getSendCMD(), f("WT2503152305"));
}

TEST(VersionRecord, AcceptsAnyTextAfterRV)
{
    clsDataV v;
    EXPECT_EQ(v.getSendCMD(), f("RV"));
    EXPECT_TRUE(accepts(v, f("RVT4KA 1.0        ")));
    EXPECT_EQ(v.version(), QStringLiteral("T4KA 1.0        "));
    EXPECT_FALSE(accepts(v, f("RSxxxxxxxxxxxxxxxx")));
    EXPECT_FALSE(accepts(v, f("RVshort")));
    v.initData();
    EXPECT_EQ(v.version(), QString(16, QChar(0)));
    EXPECT_EQ(errorOf([&] { v.setVersion(QStringLiteral("RDX-9")); }), 380);
    v.setVersion(QStringLiteral("RDX-9           "));
    EXPECT_EQ(v.version(), QStringLiteral("RDX-9           "));
}

TEST(CustomerRecord, ReadsBlocksAndRestartsAtEveryRequest)
{
    clsDataC c;
    EXPECT_TRUE(c.rd()); // starts reading
    EXPECT_EQ(c.customer(), QString());
    EXPECT_FALSE(c.isDel());
    EXPECT_EQ(c.count(), 0);
    EXPECT_EQ(c.getSendCMD(), f("RC"));
    EXPECT_TRUE(c.setRecvData(QByteArray("\x02RC123456789\x17", 13), 13));
    EXPECT_FALSE(c.isETX());
    EXPECT_FALSE(c.setRecvData(QByteArray("\x02RC12345A789\x17", 13), 13));
    EXPECT_TRUE(c.setRecvData(QByteArray("\x02RC000000001\x03", 13), 13));
    EXPECT_TRUE(c.isETX());
    EXPECT_EQ(c.count(), 2);
    EXPECT_EQ(c.idx(), 1);
    EXPECT_EQ(c.customer(), QStringLiteral("000000001"));
    EXPECT_TRUE(c.isDel());
    c.setIdx(0);
    EXPECT_EQ(c.customer(), QStringLiteral("123456789"));
    c.setIsDel(false);
    EXPECT_FALSE(c.isDel());
    c.setIdx(7);
    EXPECT_EQ(c.customer(), QString());
    EXPECT_EQ(errorOf([&] { c.setIsDel(true); }), platform::err::SubscriptOutOfRange);

    c.getSendCMD();
    EXPECT_EQ(c.count(), 0);
    EXPECT_FALSE(c.setRecvData(QByteArray("\x02RC1234567890\x03", 14), 14));
}

TEST(CustomerRecord, WritesOneNumber)
{
    clsDataC c;
    c.initData();
    EXPECT_EQ(errorOf([&] { c.add(QStringLiteral("12345678")); }), 380);
    EXPECT_EQ(errorOf([&] { c.add(QStringLiteral("１２３４５６７８９")); }), 380);
    EXPECT_EQ(c.count(), 0);
    c.add(QStringLiteral("987654321"));
    EXPECT_EQ(c.count(), 1);
    c.setWt(true);
    EXPECT_EQ(c.getSendCMD(), f("WC987654321"));
    EXPECT_EQ(c.count(), 0);
}
