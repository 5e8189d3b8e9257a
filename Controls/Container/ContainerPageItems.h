#pragma once
// The part the Effects and Childs pages share: a page that edits one item of
// a keyed collection at a time, chosen by a one-based index field with a
// spin, with "挿入" to start a new item (the button then reads "OK" and
// "削除" reads "ｷｬﾝｾﾙ") and "削除" to remove the shown one.
#include "Controls/Container/ContainerPageCommon.h"

#include "Controls/common/PropertyPageBase.h"

namespace lumafold {

class ContainerItemsPage : public controls::PropertyPageBase {
public:
    struct Ids {
        int index, spin, insert, remove, key;
        com::DISPID collection; // the control's property the collection is
    };

    // The current index (0 when the collection is empty) and whether a new
    // item is being made.
    int CurrentIndex() const { return m_index; }
    bool Inserting() const { return m_inserting; }

protected:
    ContainerItemsPage(int templateId, uint32_t titleStringId, const Ids &ids);
    ~ContainerItemsPage() override;

    // Takes the collection from the first object; true when it is another
    // collection than the one shown before.
    virtual bool LoadCollection() = 0;
    virtual int ItemCount() const = 0;
    // Fills the item's own fields from item n, or with the defaults.
    virtual void FillItem(int n) = 0;
    virtual void ClearItem() = 0;
    // Enables or disables the item's own fields.
    virtual void EnableItemFields(bool enable) = 0;
    // The first field whose value is refused, or 0.
    virtual win::HWND InvalidField() { return 0; }
    virtual HRESULT AddItem(int index, const QString &key) = 0;
    virtual HRESULT ReplaceKey(int position, const QString &key) = 0;
    // Puts the item's fields into item n; E_FAIL after refusing a field.
    virtual HRESULT PutItem(int n) = 0;
    virtual HRESULT RemoveItem(int n) = 0;
    virtual void RepaintSample();

    // Shows item n (or the defaults) in every field.
    void ShowItem(int n);
    // Tells the control it changed (and which property, when not 0).
    void MarkControlChanged(com::DISPID id);

    // PropertyPageBase
    void FillFields() override;
    HRESULT ApplyFields() override;
    bool IsChangeNotification(int id, win::WORD code) const override;
    bool OnPageMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LONG_PTR *result) override;

    const Ids m_ids;

private:
    void setInserting(bool inserting);
    void onInsert();
    void onDelete();
    // Applies pending changes before moving to another item; false (and the
    // index field put back) when they were refused.
    bool applyBeforeMove();
    // The focus left the index field for newFocus: a move inside the page
    // takes the typed index; leaving the page (for the frame's buttons or
    // another window) applies nothing.
    void onIndexLeft(win::HWND newFocus);
    // Watches the index field's focus loss to learn where the focus goes.
    void watchIndexField();
    static win::LRESULT indexFieldProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void onSpin(int delta);

    int m_index = 0;
    bool m_inserting = false;
    bool m_collectionKnown = false;
    win::HWND m_watchedIndex = 0;
};

} // namespace lumafold
