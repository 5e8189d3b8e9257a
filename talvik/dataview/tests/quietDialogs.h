#pragma once
// The data window's dialogs for a run that no person answers (benchmarks,
// screenshots, tests): nothing is opened, every question is declined, and
// the graph options are the fields below.
#include "talvik/dataview/frmData.h"

#include <iterator>

namespace talviktest {

struct QuietDialogs : talvik::IDataWindowDialogs {
    int scale = 1000; // kW of the graph's full scale
    int value = 0;
    int style = 0;

    bool selectDeleteCustomers(platform::forms::Form *, talvik::clsDataC &) override { return false; }
    bool importCustom(platform::forms::Form *, QString &, const QString &) override { return false; }
    void newCustom(platform::forms::Form *) override {}
    void graphSettings(platform::forms::Form *) override {}
    int scaleWeight() override { return scale; }
    int outvalue() override { return value; }
    int outStyle() override { return style; }
    int getScaleWeight(int index) override { return talvik::kGraphScaleLadder[index]; }
    // The step of the scale ladder that is `kW`, or the first.
    int getScaleIndexByWeight(int kW) override
    {
        for (int i = 0; i < int(std::size(talvik::kGraphScaleLadder)); ++i)
            if (talvik::kGraphScaleLadder[i] == kW)
                return i;
        return 0;
    }
    void showClock(platform::forms::Form *) override {}
    void showSerialSetUp(platform::forms::Form *) override {}
};

} // namespace talviktest
