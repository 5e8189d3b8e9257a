#pragma once
// Doubles of the settings and clock windows that record what fire pushes.
#include "platform/runtime/runtime_error.h"
#include "talvik/link/protocolRecord.h"

#include <array>

namespace linktest {

struct NumberDouble : talvik::INumericInput {
    double v = -1;
    std::uint32_t color = 0;
    void setValue(double value) override { v = value; }
    double value() const override { return v; }
    void setBackColor(std::uint32_t c) override { color = c; }
};

struct TextDouble : talvik::ITextInput {
    QString t;
    void setText(const QString &text) override { t = text; }
    QString text() const override { return t; }
};

struct OptionDouble : talvik::IOptionButton {
    bool v = false;
    std::uint32_t color = 0;
    void setValue(bool value) override { v = value; }
    bool value() const override { return v; }
    void setBackColor(std::uint32_t c) override { color = c; }
};

template <int N> struct OptionArray {
    std::array<OptionDouble, N> o;
    talvik::IOptionButton &at(int i)
    {
        if (i < 0 || i >= N)
            platform::raise(platform::err::SubscriptOutOfRange);
        return o[i];
    }
    // Index of the selected option, -1 when none.
    int selected() const
    {
        for (int i = 0; i < N; ++i)
            if (o[i].v)
                return i;
        return -1;
    }
};

struct SettingWindowDouble : talvik::ISettingWindow {
    NumberDouble watt, skipTime, pulseF2, wLevel2;
    TextDouble customerId;
    OptionArray<4> optWattA;
    OptionArray<3> optWlevelA;
    OptionArray<4> optWinterval1A;
    OptionArray<3> optRumbleA;
    OptionArray<2> optPulA;
    int preDataCalls = 0;

    talvik::INumericInput &zonumWatt() override { return watt; }
    talvik::INumericInput &zonumSkipTime() override { return skipTime; }
    talvik::INumericInput &zonumPulseF2() override { return pulseF2; }
    talvik::INumericInput &zonumWLevel2() override { return wLevel2; }
    talvik::ITextInput &zoTextCustomerID() override { return customerId; }
    talvik::IOptionButton &optWatt(int i) override { return optWattA.at(i); }
    talvik::IOptionButton &optWlevel(int i) override { return optWlevelA.at(i); }
    talvik::IOptionButton &optWinterval1(int i) override { return optWinterval1A.at(i); }
    talvik::IOptionButton &optRumble(int i) override { return optRumbleA.at(i); }
    talvik::IOptionButton &optPul(int i) override { return optPulA.at(i); }
    void SetPreData() override { ++preDataCalls; }
};

struct ClockWindowDouble : talvik::IClockWindow {
    TextDouble date, time;
    talvik::ITextInput &zoDateMonitorDate() override { return date; }
    talvik::ITextInput &zoTimeMonitorTime() override { return time; }
};

} // namespace linktest
