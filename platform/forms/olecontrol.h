#pragma once
// A hosted OLE control on a form (a frame, a combo of a control library).
// The control is created by ProgID when the form loads, loaded from the
// values its window definition gives, and in-place activated before the
// form's own load code runs. Controls declared with this one as their
// container sit on it: their widgets are its children and the control sees
// them through its site's control enumeration.
#include "platform/com/automation.h"
#include "platform/forms/control.h"
#include "platform/win/wintypes.h"

#include <functional>
#include <utility>
#include <vector>

namespace platform::win {
class ControlHostWidget;
}

namespace platform::forms {

class OleControl : public Control {
    Q_OBJECT
public:
    // The values the window definition gives (property-bag names and values).
    using Definition = std::vector<std::pair<QString, com::Variant>>;

    OleControl(Form *owner, const QString &name, const QString &progId, Definition definition,
               Control *container = nullptr, int index = -1);
    ~OleControl() override;

    QString ProgId() const { return m_progId; }
    // The host widget (loads the form); its control() is null when the
    // control could not be created.
    win::ControlHostWidget *host();
    // The control's interface iid, or E_NOINTERFACE / E_FAIL without one.
    com::HRESULT queryControl(const com::IID &iid, void **object);
    // The result of the last creation (S_OK once the control runs).
    com::HRESULT creationResult() const { return m_created; }

    // Asked when a ProgID is not registered: registers the library that
    // serves it (true when it did). The program sets it once.
    static void setLibraryRegistrar(std::function<bool(const QString &progId)> registrar);

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetCreated() override;
    void widgetDestroyed() override;
    void containedWidgetCreated(Control *child) override;

private:
    // The form's share of the control's key pre-translation.
    com::HRESULT dialogKey(win::MSG *msg, win::DWORD modifiers);

    QString m_progId;
    Definition m_definition;
    com::HRESULT m_created = 0;
};

} // namespace platform::forms
