#pragma once
// List view in report style: column headers, rows (ListItems, 1-based) with
// sub-item texts and optional check boxes. Assistive tools read it as a
// table whose rows' first cells are check boxes while the check boxes are on
// (listview_accessible.h).
#include "platform/forms/control.h"

#include <QPointer>

#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace platform::forms {

class ListView;

class ListItem {
public:
    int Index() const { return m_index; }
    QString Key() const { return m_key; }
    QString Text() const;
    void setText(const QString &text);
    // Text of column i + 1 (1-based sub-items); "" beyond the columns.
    QString SubItems(int index) const;
    void setSubItems(int index, const QString &text);
    bool Checked() const;
    void setChecked(bool checked);
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

private:
    friend class ListView;
    int m_index = 0;
    QString m_key;
    QString m_tag;
    QTreeWidgetItem *m_item = nullptr;
    bool m_checked = false; // the tick last reported by ItemCheck (or set up)
};

class ListView : public Control {
    Q_OBJECT
public:
    using Control::Control;
    // ColumnHeaders.Add; width in twips (-1: default).
    void addColumn(const QString &text, int widthTwips = -1);
    int columnCount();
    QString columnText(int index); // 1-based
    void clearColumns();
    bool Checkboxes();
    void setCheckboxes(bool on);
    // ListItems.Add: appends a row; a key that is taken raises error 35602.
    ListItem &Add(const QString &text, const QString &key = QString());
    int Count();
    ListItem &ListItems(int index); // 1-based; error 35600 outside
    ListItem *find(const QString &key);
    void Clear();
    // The selected row, or nullptr.
    ListItem *SelectedItem();

signals:
    // A check box changed by the user, by code or by an assistive tool;
    // raised once per change of the tick, not for other changes of the row.
    void ItemCheck(platform::forms::ListItem *Item);
    void ItemClick(platform::forms::ListItem *Item);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;

private:
    ListItem *itemOf(QTreeWidgetItem *item);
    std::vector<std::unique_ptr<ListItem>> m_items;
    bool m_checkboxes = false;
};

} // namespace platform::forms
