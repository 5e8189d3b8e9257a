#pragma once
// The list view's widget and what assistive tools see of it: a table whose
// children are the column headers and then each row's cells, row by row.
// When the rows have check boxes, each row's first cell is a check box named
// by the row's text, checked while ticked, with a toggle action that ticks
// or unticks it as a click on the box does. The other cells are table cells
// named by their text. A tick changed while the view's signals flow is told
// to assistive tools as a change of the box's checked state.
#include "platform/forms/view_accessible.h"

namespace platform::forms::detail {

// A tree widget with flat rows, of its own class so that its interface for
// assistive tools is given to list views only (other tree widgets keep
// Qt's). Hidden or disabled, it tells no focus or selection changes.
class ListViewWidget final : public AccessibleTreeWidget {
    Q_OBJECT
public:
    explicit ListViewWidget(QWidget *parent = nullptr);
};

} // namespace platform::forms::detail
