#include "talvik/settings/zoCombo.h"

#include "platform/com/errorinfo.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/core/controlLibraries.h"

namespace talvik {

namespace com = platform::com;
using pickwell::IComboItem;
using pickwell::IComboItemCollection;

namespace {

void check(com::HRESULT hr)
{
    if (com::FAILED(hr))
        raiseControlError(hr);
}

} // namespace

void raiseControlError(com::HRESULT hr)
{
    QString text;
    com::ComPtr<com::IErrorInfo> info;
    if (com::GetErrorInfo(0, info.put()) == com::S_OK && info) {
        com::BSTR description = nullptr;
        if (com::SUCCEEDED(info->GetDescription(&description)))
            text = com::bstrToQString(description);
        com::SysFreeString(description);
    }
    const auto code = static_cast<uint32_t>(hr);
    const bool runtimeNumber = (code & 0xFFFF0000u) == 0x800A0000u;
    const int number = runtimeNumber ? int(code & 0xFFFF) : int(code);
    if (!text.isEmpty())
        platform::raise(number, text);
    // Without the control's own words: a run-time error number has its
    // standard text, any other failure is an automation error with its code.
    if (runtimeNumber)
        platform::raise(number);
    platform::raise(number, platform::errorDescription(platform::err::AutomationError,
                                                       QStringLiteral("0x%1").arg(code, 8, 16, QLatin1Char('0'))));
}

ComboItem ComboItem::create()
{
    com::ComPtr<IComboItem> item;
    if (com::FAILED(com::CoCreateInstance(pickwell::CLSID_ComboItem, nullptr, pickwell::IID_IComboItem, item.putVoid())) ||
        !item)
        platform::raise(platform::err::CannotCreateObject,
                        platform::errorDescription(platform::err::CannotCreateObject, QStringLiteral("Combo.ComboItem")));
    return ComboItem(std::move(item));
}

QString ComboItem::Content() const
{
    if (!m_item)
        platform::raise(platform::err::ObjectVariableNotSet);
    com::BSTR value = nullptr;
    check(m_item->get_Content(&value));
    const QString text = com::bstrToQString(value);
    com::SysFreeString(value);
    return text;
}

void ComboItem::setContent(const QString &content)
{
    if (!m_item)
        platform::raise(platform::err::ObjectVariableNotSet);
    com::Bstr value(content);
    check(m_item->put_Content(value.get()));
}

void ComboItems::Add(const ComboItem &item)
{
    com::ComPtr<IComboItemCollection> items;
    check(m_combo.combo().get_Items(items.put()));
    check(items->Add(item.get()));
}

int ComboItems::Count()
{
    com::ComPtr<IComboItemCollection> items;
    check(m_combo.combo().get_Items(items.put()));
    int32_t count = 0;
    check(items->get_Count(&count));
    return count;
}

ComboItem ComboItems::Item(int position)
{
    com::ComPtr<IComboItemCollection> items;
    check(m_combo.combo().get_Items(items.put()));
    com::ComPtr<IComboItem> item;
    check(items->get_Item(position, item.put()));
    return ComboItem(std::move(item));
}

zoCombo::zoCombo(platform::forms::Form *owner, const QString &name, Definition definition,
                 platform::forms::Control *container, int index)
    : OleControl(owner, name, QLatin1String(kComboProgId), std::move(definition), container, index)
{
}

pickwell::ICombo &zoCombo::combo()
{
    com::ComPtr<pickwell::ICombo> c;
    if (com::FAILED(queryControl(pickwell::IID_ICombo, c.putVoid())) || !c)
        platform::raise(platform::err::CannotCreateObject,
                        platform::errorDescription(platform::err::CannotCreateObject, ProgId()));
    // The host keeps the control alive as long as the form is loaded.
    return *c.get();
}

ComboItem zoCombo::SelectedItem()
{
    com::ComPtr<IComboItem> item;
    check(combo().get_SelectedItem(item.put()));
    return ComboItem(std::move(item));
}

void zoCombo::setSelectedItem(const ComboItem &item)
{
    check(combo().put_SelectedItem(item.get()));
}

int zoCombo::SelectedIndex()
{
    int32_t index = -1;
    check(combo().get_SelectedIndex(&index));
    return index;
}

bool zoCombo::AutoSelect()
{
    com::VARIANT_BOOL on = 0;
    check(combo().get_AutoSelect(&on));
    return on != 0;
}

void zoCombo::setAutoSelect(bool on)
{
    check(combo().put_AutoSelect(on ? com::VARIANT_TRUE : com::VARIANT_FALSE));
}

QString zoCombo::Text()
{
    com::BSTR value = nullptr;
    check(combo().get_Text(&value));
    const QString text = com::bstrToQString(value);
    com::SysFreeString(value);
    return text;
}

platform::forms::OleControl::Definition customerComboDefinition()
{
    installControlLibraries();
    return {
        {QStringLiteral("DropdownStyle"), com::Variant::i2(1)},
        {QStringLiteral("SortOrder"), com::Variant::i2(2)},
        {QStringLiteral("Value"), com::Variant::str(QString())},
    };
}

} // namespace talvik
