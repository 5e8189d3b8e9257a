#pragma once
// Real input events for the dialog tests: a mouse click on a control's
// widget, and a choice in a drop-down list made with the arrow keys.
#include "platform/forms/controls.h"

#include <QComboBox>
#include <QTest>

namespace linktest {

inline void click(platform::forms::Control &control)
{
    QTest::mouseClick(control.widget(), Qt::LeftButton);
}

// Moves the list's selection by `steps` entries (down when positive) as the
// arrow keys do.
inline void arrowKeys(platform::forms::ComboBox &combo, int steps)
{
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
        QTest::keyClick(combo.widget(), steps < 0 ? Qt::Key_Up : Qt::Key_Down);
}

} // namespace linktest
