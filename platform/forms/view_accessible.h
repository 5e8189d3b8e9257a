#pragma once
// Item views as assistive tools should hear them. A view that is hidden or
// disabled (itself or through its window) tells no focus or selection
// changes: its items change there under the program's hand, not the
// user's (a log list the program walks row by row while it writes it, a
// tree rebuilt while a read holds the window disabled). A tree tells the
// expanding and collapsing of a node as a change of the node's expanded
// state, as the platform's tree views do.
#include <QListWidget>
#include <QTreeWidget>

namespace platform::forms::detail {

// Whether the view's changes reach assistive tools: shown and enabled.
bool viewTellsChanges(const QWidget *view);

// A tree widget that tells its nodes' expanded state and stays quiet
// while hidden or disabled.
class AccessibleTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit AccessibleTreeWidget(QWidget *parent = nullptr);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    void tellExpanded(const QModelIndex &index);
};

// The list box's widget: quiet while hidden or disabled.
class ListBoxWidget final : public QListWidget {
    Q_OBJECT
public:
    explicit ListBoxWidget(QWidget *parent = nullptr) : QListWidget(parent) {}

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
};

} // namespace platform::forms::detail
