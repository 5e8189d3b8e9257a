#pragma once
// The suite's combo control on a form, with the members Talvik's windows use:
// Items.Add of ComboItem objects, ComboItem.Content, SelectedItem,
// SelectedIndex and AutoSelect. The control and its items are the combo
// library's COM objects; a failing member raises the run-time error the
// control reports (its number and text), as a call through the control's
// interface does.
#include "Controls/Pickwell/ComboInterfaces.h"
#include "platform/forms/olecontrol.h"

namespace talvik {

// A ComboItem object of the combo library (null when empty).
class ComboItem {
public:
    ComboItem() = default;
    explicit ComboItem(platform::com::ComPtr<pickwell::IComboItem> item) : m_item(std::move(item)) {}
    // A new item; run-time error 429 when the library cannot make one.
    static ComboItem create();

    QString Content() const;
    void setContent(const QString &content);

    pickwell::IComboItem *get() const { return m_item.get(); }
    explicit operator bool() const { return bool(m_item); }
    bool operator==(const ComboItem &other) const { return m_item.get() == other.m_item.get(); }

private:
    platform::com::ComPtr<pickwell::IComboItem> m_item;
};

class zoCombo;

// The control's Items collection (positions from 0, as the control counts).
class ComboItems {
public:
    explicit ComboItems(zoCombo &combo) : m_combo(combo) {}
    void Add(const ComboItem &item);
    int Count();
    ComboItem Item(int position);

private:
    zoCombo &m_combo;
};

class zoCombo : public platform::forms::OleControl {
    Q_OBJECT
public:
    zoCombo(platform::forms::Form *owner, const QString &name, Definition definition,
            platform::forms::Control *container = nullptr, int index = -1);

    ComboItems &Items() { return m_items; }
    // The selected item, or an empty one; setting an empty one selects nothing.
    ComboItem SelectedItem();
    void setSelectedItem(const ComboItem &item);
    // Position of the selected item; -1 when none.
    int SelectedIndex();
    bool AutoSelect();
    void setAutoSelect(bool on);
    // The text of the edit field.
    QString Text();

    // The control's interface (loads the form); raises error 429 when the
    // control could not be created.
    pickwell::ICombo &combo();

private:
    ComboItems m_items{*this};
};

// The customer combo of the customer-pick dialog as designed: an editable
// drop-down list in the order the items are added, with an empty edit field.
platform::forms::OleControl::Definition customerComboDefinition();

// Raises the run-time error a failed member of a control reports: its number
// (0x800A0000 + n gives n) and the text of the error object it left.
[[noreturn]] void raiseControlError(platform::com::HRESULT hr);

} // namespace talvik
