#include "platform/forms/listview.h"

#include "platform/forms/collectionerrors.h"
#include "platform/forms/constants.h"
#include "platform/forms/listview_accessible.h"
#include "platform/runtime/runtime_error.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace platform::forms {

QString ListItem::Text() const
{
    return m_item ? m_item->text(0) : QString();
}

void ListItem::setText(const QString &text)
{
    if (m_item)
        m_item->setText(0, text);
}

QString ListItem::SubItems(int index) const
{
    return m_item && index >= 1 ? m_item->text(index) : QString();
}

void ListItem::setSubItems(int index, const QString &text)
{
    if (index < 1)
        platform::raise(platform::err::InvalidPropertyValue);
    if (m_item)
        m_item->setText(index, text);
}

bool ListItem::Checked() const
{
    return m_item && m_item->checkState(0) == Qt::Checked;
}

void ListItem::setChecked(bool checked)
{
    if (m_item)
        m_item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

QWidget *ListView::createWidget(QWidget *parent)
{
    m_items.clear();
    m_checkboxes = false;
    auto *view = new detail::ListViewWidget(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setColumnCount(0);
    view->setHeaderLabels({});
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

void ListView::widgetCreated()
{
    auto *view = static_cast<QTreeWidget *>(widget());
    connect(view, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column != 0 || !m_checkboxes)
            return;
        ListItem *row = itemOf(item);
        const bool checked = item->checkState(0) == Qt::Checked;
        if (!row || row->m_checked == checked)
            return; // the text or another part of the row changed
        row->m_checked = checked;
        emit ItemCheck(row);
    });
    connect(view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (ListItem *row = itemOf(item))
            emit ItemClick(row);
    });
}

void ListView::widgetDestroyed()
{
    m_items.clear();
}

ListItem *ListView::itemOf(QTreeWidgetItem *item)
{
    for (auto &row : m_items)
        if (row->m_item == item)
            return row.get();
    return nullptr;
}

void ListView::addColumn(const QString &text, int widthTwips)
{
    auto *view = w<QTreeWidget>();
    const int column = view->columnCount();
    view->setColumnCount(column + 1);
    view->headerItem()->setText(column, text);
    if (widthTwips >= 0)
        view->setColumnWidth(column, widthTwips / TwipsPerPixel);
}

int ListView::columnCount()
{
    return w<QTreeWidget>()->columnCount();
}

QString ListView::columnText(int index)
{
    auto *view = w<QTreeWidget>();
    if (index < 1 || index > view->columnCount())
        raiseCollectionError(collectionError::IndexOutOfBounds);
    return view->headerItem()->text(index - 1);
}

void ListView::clearColumns()
{
    w<QTreeWidget>()->setColumnCount(0);
}

bool ListView::Checkboxes()
{
    load();
    return m_checkboxes;
}

void ListView::setCheckboxes(bool on)
{
    load();
    m_checkboxes = on;
    const QSignalBlocker blocker(widget());
    for (auto &row : m_items) {
        row->m_checked = false;
        if (on)
            row->m_item->setCheckState(0, Qt::Unchecked);
        else
            row->m_item->setData(0, Qt::CheckStateRole, QVariant());
    }
}

ListItem &ListView::Add(const QString &text, const QString &key)
{
    auto *view = w<QTreeWidget>();
    if (!key.isEmpty() && find(key))
        raiseCollectionError(collectionError::KeyNotUnique);
    auto row = std::make_unique<ListItem>();
    row->m_key = key;
    {
        const QSignalBlocker blocker(view);
        row->m_item = new QTreeWidgetItem(view);
        row->m_item->setText(0, text);
        if (m_checkboxes)
            row->m_item->setCheckState(0, Qt::Unchecked);
    }
    m_items.push_back(std::move(row));
    m_items.back()->m_index = int(m_items.size());
    return *m_items.back();
}

int ListView::Count()
{
    load();
    return int(m_items.size());
}

ListItem &ListView::ListItems(int index)
{
    load();
    if (index < 1 || index > int(m_items.size()))
        raiseCollectionError(collectionError::IndexOutOfBounds);
    return *m_items[size_t(index - 1)];
}

ListItem *ListView::find(const QString &key)
{
    load();
    for (auto &row : m_items)
        if (!key.isEmpty() && row->m_key == key)
            return row.get();
    return nullptr;
}

void ListView::Clear()
{
    auto *view = w<QTreeWidget>();
    m_items.clear();
    const QSignalBlocker blocker(view);
    view->clear();
}

ListItem *ListView::SelectedItem()
{
    auto *view = w<QTreeWidget>();
    return view->currentItem() ? itemOf(view->currentItem()) : nullptr;
}

} // namespace platform::forms
