// setRecvData of every device message record. The input is a record selector
// byte followed by blocks, each a length byte and that many bytes (a length
// past the end takes the rest). Every block goes to the same record, as the
// blocks of one transfer do; the length handed over is the block's size or,
// when the selector's high bit is set, one less (a short count). A block the
// record accepts must then give its fields and fire into the window without
// a run-time error.
#include "fuzzSupport.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/link/clsDataT.h"
#include "talvik/link/clsDataV.h"
#include "talvik/store/clsDataD.h"

#include <array>
#include <cstddef>
#include <cstdint>

using namespace talvik;

namespace {

struct Number : INumericInput {
    double v = 0;
    void setValue(double value) override { v = value; }
    double value() const override { return v; }
    void setBackColor(std::uint32_t) override {}
};

struct Text : ITextInput {
    QString t;
    void setText(const QString &text) override { t = text; }
    QString text() const override { return t; }
};

struct Option : IOptionButton {
    bool v = false;
    void setValue(bool value) override { v = value; }
    bool value() const override { return v; }
    void setBackColor(std::uint32_t) override {}
};

template <std::size_t N>
IOptionButton &pick(std::array<Option, N> &a, int index)
{
    if (index < 0 || index >= int(N))
        platform::raise(platform::err::SubscriptOutOfRange);
    return a[std::size_t(index)];
}

struct SettingWindow : ISettingWindow {
    Number watt, skip, pulse, level;
    Text customer;
    std::array<Option, 4> optW, optI;
    std::array<Option, 3> optL, optR;
    std::array<Option, 2> optP;
    INumericInput &zonumWatt() override { return watt; }
    INumericInput &zonumSkipTime() override { return skip; }
    INumericInput &zonumPulseF2() override { return pulse; }
    INumericInput &zonumWLevel2() override { return level; }
    ITextInput &zoTextCustomerID() override { return customer; }
    IOptionButton &optWatt(int i) override { return pick(optW, i); }
    IOptionButton &optWlevel(int i) override { return pick(optL, i); }
    IOptionButton &optWinterval1(int i) override { return pick(optI, i); }
    IOptionButton &optRumble(int i) override { return pick(optR, i); }
    IOptionButton &optPul(int i) override { return pick(optP, i); }
    void SetPreData() override {}
};

struct ClockWindow : IClockWindow {
    Text date, time;
    ITextInput &zoDateMonitorDate() override { return date; }
    ITextInput &zoTimeMonitorTime() override { return time; }
};

// Reads every field getter of the record (each must work after any block).
void readFields(IProtocolRecord &r)
{
    if (auto *v = dynamic_cast<clsDataV *>(&r))
        (void)v->version();
    if (auto *t = dynamic_cast<clsDataT *>(&r))
        (void)(t->year() + t->month() + t->day() + t->hour() + t->minute());
    if (auto *s = dynamic_cast<clsDataS *>(&r))
        (void)(s->watt() + s->pulseF() + s->skip() + s->w_level() + s->w_interval1() + s->rumble());
    if (auto *s = dynamic_cast<clsDataSA *>(&r))
        (void)(s->watt() + s->pulseF() + s->skip() + s->w_level());
    if (auto *s = dynamic_cast<clsDataSB *>(&r))
        (void)(s->watt() + s->pulseF() + s->pulse() + s->skip() + s->w_level());
    if (auto *c = dynamic_cast<clsDataC *>(&r)) {
        // customer() and isDel() answer empty / False outside the list.
        for (int i = -1; i <= c->count(); ++i) {
            c->setIdx(i);
            (void)c->customer();
            (void)c->isDel();
        }
    }
    if (auto *d = dynamic_cast<clsDataD *>(&r)) {
        // The fields of every stored record (outside the list they raise 9).
        for (int i = 0; i < d->count(); ++i) {
            d->setIdx(i);
            (void)(d->year() + d->month() + d->day() + d->hour() + d->minute() + d->watt());
        }
    }
    (void)r.isETX();
    (void)r.count();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    SettingWindow settings;
    ClockWindow clock;
    std::unique_ptr<IProtocolRecord> record;
    switch (data[0] % 7) {
    case 0: record = std::make_unique<clsDataV>(); break;
    case 1: {
        auto t = std::make_unique<clsDataT>();
        t->setClockWindow(&clock);
        record = std::move(t);
        break;
    }
    case 2: record = std::make_unique<clsDataS>(); break;
    case 3: record = std::make_unique<clsDataSA>(); break;
    case 4: record = std::make_unique<clsDataSB>(); break;
    case 5: record = std::make_unique<clsDataC>(); break;
    default: record = std::make_unique<clsDataD>(); break;
    }
    if (auto *s = dynamic_cast<SettingRecordBase *>(record.get()))
        s->setSettingWindow(&settings);
    const bool shortCount = data[0] & 0x80;
    record->initData();
    record->setRd(true);

    std::size_t pos = 1;
    while (pos < size) {
        const std::size_t want = data[pos++];
        const std::size_t n = std::min(want, size - pos);
        const QByteArray block(reinterpret_cast<const char *>(data + pos), qsizetype(n));
        pos += n;
        const int length = int(n) - (shortCount && n > 0 ? 1 : 0);
        const int before = record->count();
        const bool taken = record->setRecvData(block, length);
        readFields(*record);
        // Only a refused block of the demand record's own layout (18 bytes,
        // STX "RD" ... ETB/ETX) counts as a record with refused values; what
        // is refused as no record at all is asked for again, never skipped.
        if (record->refusedValues()) {
            FUZZ_CHECK(!taken);
            FUZZ_CHECK(length == 18 && block.size() >= 18);
            FUZZ_CHECK(block[0] == 0x02 && block[1] == 'R' && block[2] == 'D');
            FUZZ_CHECK(block[17] == 0x03 || block[17] == 0x17);
        }
        if (!taken)
            continue;
        FUZZ_CHECK(record->count() >= before);
        // Settings, clock and version records fire into their window; the
        // demand and customer records' fire is the store run / a no-op.
        if (!dynamic_cast<clsDataD *>(record.get())) {
            try {
                FUZZ_CHECK(record->fire());
            } catch (const platform::RuntimeError &) {
                fuzzsupport::brokenInvariant("an accepted block failed to fire");
            }
        }
    }
    return 0;
}
