#include "talvik/settings/zoComboStandIn.h"

#include "platform/runtime/runtime_error.h"

#include <QComboBox>
#include <QLineEdit>

namespace talvik {

void ComboItem::setContent(const QString &content)
{
    m_content = content;
    if (m_combo)
        m_combo->itemChanged(*this);
}

void ComboItems::Add(const std::shared_ptr<ComboItem> &item)
{
    if (!item || item->m_combo)
        platform::raise(5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。"));
    m_items.push_back(item);
    item->m_combo = &m_combo;
    m_combo.itemAdded(*item);
}

std::shared_ptr<ComboItem> ComboItems::Item(int index) const
{
    if (index < 1 || index > Count())
        platform::raise(9, QStringLiteral("インデックスが有効範囲にありません。"));
    return m_items[std::size_t(index - 1)];
}

void ComboItems::Clear()
{
    for (auto &item : m_items)
        item->m_combo = nullptr;
    m_items.clear();
    m_combo.itemsCleared();
}

int ComboItems::indexOf(const ComboItem *item) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

zoComboStandIn::zoComboStandIn(platform::forms::Form *owner, const QString &name,
                               platform::forms::Control *container, int index)
    : ComboBox(owner, name, container, index)
{
    connect(this, &ComboBox::Change, this, &zoComboStandIn::onChange);
}

std::shared_ptr<ComboItem> zoComboStandIn::SelectedItem()
{
    const int index = SelectedIndex();
    return index < 0 ? nullptr : m_itemsCollection.m_items[std::size_t(index)];
}

void zoComboStandIn::setSelectedItem(const std::shared_ptr<ComboItem> &item)
{
    if (!item) {
        setListIndex(-1);
        return;
    }
    const int index = m_itemsCollection.indexOf(item.get());
    if (index < 0)
        platform::raise(5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。"));
    setListIndex(index);
}

int zoComboStandIn::SelectedIndex()
{
    const int index = ListIndex();
    return index < m_itemsCollection.Count() ? index : -1;
}

void zoComboStandIn::userTyped(const QString &text)
{
    if (Text() == text) {
        onChange();
        return;
    }
    setText(text); // raises Change, which runs onChange
}

void zoComboStandIn::widgetDestroyed()
{
    // The control goes with its window; a new load starts with no items.
    for (auto &item : m_itemsCollection.m_items)
        item->m_combo = nullptr;
    m_itemsCollection.m_items.clear();
    m_autoSelect = false;
    ComboBox::widgetDestroyed();
}

void zoComboStandIn::itemAdded(const ComboItem &item)
{
    AddItem(item.Content());
}

void zoComboStandIn::itemChanged(const ComboItem &item)
{
    const int index = m_itemsCollection.indexOf(&item);
    if (index < 0)
        return;
    const bool selected = ListIndex() == index;
    RemoveItem(index);
    AddItem(item.Content(), index);
    if (selected)
        setListIndex(index);
}

void zoComboStandIn::itemsCleared()
{
    Clear();
}

void zoComboStandIn::onChange()
{
    if (!m_autoSelect || m_inAutoSelect)
        return;
    const QString typed = Text();
    if (typed.isEmpty())
        return;
    for (int i = 0; i < m_itemsCollection.Count(); ++i) {
        const QString content = m_itemsCollection.m_items[std::size_t(i)]->Content();
        if (!content.startsWith(typed, Qt::CaseInsensitive))
            continue;
        m_inAutoSelect = true;
        setText(content); // the edited text becomes the item's text again
        setListIndex(i);
        // The completed part stays selected, so that typing on replaces it.
        if (auto *combo = qobject_cast<QComboBox *>(widget()); combo && combo->lineEdit())
            combo->lineEdit()->setSelection(int(typed.size()), int(content.size() - typed.size()));
        m_inAutoSelect = false;
        return;
    }
}

} // namespace talvik
