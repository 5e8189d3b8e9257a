#pragma once
// Stand-in for the suite's combo control until its library is hosted: an
// editable standard combo behind the members the windows call (Items.Add,
// ComboItem.Content, SelectedItem, SelectedIndex, AutoSelect). With
// AutoSelect on, typing selects the first item whose text starts with what
// was typed (Latin letters compared without case) and completes the text,
// the completed part selected.
#include "platform/forms/controls.h"

#include <memory>
#include <vector>

namespace talvik {

class zoComboStandIn;

// One entry of the combo; its Content is the text shown.
class ComboItem {
public:
    QString Content() const { return m_content; }
    void setContent(const QString &content);

private:
    friend class ComboItems;
    friend class zoComboStandIn;
    QString m_content;
    zoComboStandIn *m_combo = nullptr;
};

// The combo's Items collection (1-based Item access as in the control).
class ComboItems {
public:
    explicit ComboItems(zoComboStandIn &combo) : m_combo(combo) {}
    // Appends the item (an item belongs to one combo at a time: run-time
    // error 5 for an item that is in a list already or for a null item).
    void Add(const std::shared_ptr<ComboItem> &item);
    int Count() const { return int(m_items.size()); }
    // Run-time error 9 outside 1..Count.
    std::shared_ptr<ComboItem> Item(int index) const;
    void Clear();
    int indexOf(const ComboItem *item) const;

private:
    friend class zoComboStandIn;
    zoComboStandIn &m_combo;
    std::vector<std::shared_ptr<ComboItem>> m_items;
};

class zoComboStandIn : public platform::forms::ComboBox {
    Q_OBJECT
public:
    zoComboStandIn(platform::forms::Form *owner, const QString &name, platform::forms::Control *container = nullptr,
                   int index = -1);

    ComboItems &Items() { return m_itemsCollection; }
    // The selected item, or nullptr; setting nullptr selects nothing; an item
    // not in the list raises run-time error 5.
    std::shared_ptr<ComboItem> SelectedItem();
    void setSelectedItem(const std::shared_ptr<ComboItem> &item);
    // 0-based index of the selected item; -1 when none.
    int SelectedIndex();
    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool on) { m_autoSelect = on; }

    // What the user typed into the edit field (as typing does): runs the
    // Change step, and with it AutoSelect.
    void userTyped(const QString &text);

protected:
    void widgetDestroyed() override;

private:
    friend class ComboItem;
    friend class ComboItems;
    void itemAdded(const ComboItem &item);
    void itemChanged(const ComboItem &item);
    void itemsCleared();
    void onChange();

    ComboItems m_itemsCollection{*this};
    bool m_autoSelect = false;
    bool m_inAutoSelect = false;
};

} // namespace talvik
