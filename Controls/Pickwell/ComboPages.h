#pragma once
// The combo's property pages (General, Appearance, Format, Lookup, Button
// and the item editor): creation for the object map, their dialog
// templates, and the page base they share.
#include "Controls/Pickwell/ComboInterfaces.h"
#include "Controls/common/PropertyPageBase.h"

#include <QString>

#include <map>

namespace pickwell {

namespace win = platform::win;
namespace com = platform::com;
using com::HRESULT;

// CP932 of a text for the pages' fields: a character CP932 cannot hold is
// shown as "?" (one for a surrogate pair), so no text stops a page.
QByteArray PageAnsi(const QString &text);

// The instance the pages' templates are registered under.
win::HINSTANCE ComboPageInstance();
// Registers the six dialog templates and the page window classes (once).
void RegisterComboPageTemplates();

// Object-map creators.
HRESULT createGeneralPage(const com::IID &iid, void **object);
HRESULT createAppearancePage(const com::IID &iid, void **object);
HRESULT createFormatPage(const com::IID &iid, void **object);
HRESULT createLookupPage(const com::IID &iid, void **object);
HRESULT createButtonPage(const com::IID &iid, void **object);
HRESULT createItemEditorPage(const com::IID &iid, void **object);

// What the combo's pages share: the first object's ICombo and the field
// helpers (lists, check boxes, numeric fields, texts).
class ComboPage : public controls::PropertyPageBase {
public:
    ComboPage(int templateId, uint32_t titleStringId);

protected:
    com::ComPtr<ICombo> combo() const;
    win::HWND field(int id) const;

    // A drop-down list from the first count entries of a string-table list.
    void fillList(int id, uint32_t stringId, int count, char16_t separator = u',');
    int listSelection(int id) const;
    void selectListEntry(int id, int32_t entry);
    bool checked(int id) const;
    void setChecked(int id, bool on);
    QString fieldText(int id) const;
    void setFieldText(int id, const QString &text);

    // Numeric fields: set up with InitNumberField (5 digits).
    void initNumber(int id, double minimum, double maximum);
    bool numberInRange(int id) const;
    // The value as a 32-bit integer (truncated toward zero).
    int32_t numberValue(int id) const;
    void setNumber(int id, int32_t value);
    void setNumberI4(int id, int32_t value);

    // The common refusal on a field: message, focus, E_FAIL.
    HRESULT refuse(int id);

    std::map<int, controls::FieldWrapper> m_numbers;
};

} // namespace pickwell
