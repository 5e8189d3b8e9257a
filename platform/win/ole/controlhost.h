#pragma once
// The host side of OLE controls: a Qt widget of a form that creates one
// control by CLSID or ProgID, loads it from a property bag, in-place
// activates it in a window that fills the widget, and serves it as its site:
// ambient properties, an extender (Name, Index, Left, Top, Width, Height in
// twips, Visible, AutoSize), the enumeration of the controls placed on it
// (hosted controls and plain Qt widgets) and keyboard pre-translation.
#include "platform/com/persist.h"
#include "platform/win/ole/oleidl.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace platform::win {

namespace olehost {
class ControlSite;
class Extender;
class InPlaceFrame;
} // namespace olehost

class ControlHostWidget : public QWidget {
    Q_OBJECT
public:
    explicit ControlHostWidget(QWidget *parent = nullptr);
    ~ControlHostWidget() override;

    // Creates the control ("{clsid}" or a ProgID), gives it its site, loads
    // it from bag (InitNew without one) and in-place activates it at this
    // widget's size (the control's own extent when the widget has no size
    // yet). name is the control's name (extender Name, ambient DisplayName);
    // index >= 0 makes it a member of a control array. On failure nothing is
    // kept and the HRESULT is returned.
    com::HRESULT createControl(const QString &clsidOrProgId, const QString &name, com::IPropertyBag *bag = nullptr,
                               int index = -1);
    // Closes and releases the control (window first, then the site).
    void destroyControl();

    // The hosted control (its IOleObject), or null.
    IOleObject *control() const { return m_control.get(); }
    com::HRESULT queryControl(const com::IID &iid, void **object) const;
    // The window backing this widget (the control's parent window).
    HWND hostWindow() const { return m_hostWindow; }
    // The control's own window while it is in-place active, else 0.
    HWND controlWindow() const;
    QString controlName() const { return m_name; }
    int controlIndex() const { return m_index; }
    // The extender of the hosted control (no reference added), or null.
    com::IDispatch *extender() const;

    // Ambient UserMode: false puts the control in design mode; a change is
    // announced to the control.
    void setUserMode(bool userMode);
    bool userMode() const { return m_userMode; }

    // Declares what sits on this control (in declaration order): plain
    // widgets with a name (and an index for control arrays) and other hosted
    // controls. A widget's Left/Top count from this widget's top-left corner.
    void addContainedWidget(QWidget *widget, const QString &name, int index = -1);
    void addContainedControl(ControlHostWidget *host);
    // The host this control was declared on, or null.
    ControlHostWidget *containerHost() const { return m_container; }

    // The form's share of keyboard pre-translation: asked by the control
    // (IOleControlSite::TranslateAccelerator) with the message and the
    // modifiers (1 Shift, 2 Ctrl, 4 Alt); S_OK when the form used the key.
    void setAcceleratorHandler(std::function<com::HRESULT(MSG *, DWORD)> handler);
    // Moves the keyboard focus to the next (or previous) tab stop of the
    // window this host sits on, as Tab and Shift+Tab do in a dialog; false
    // when there is none.
    bool moveFocusToTabStop(bool next);
    // True when the control takes the focus as a tab stop (not a label-like
    // or frame-like control, nor one invisible at run time).
    bool isTabStop() const { return m_tabStop; }
    // The control's mnemonics (IOleControl::GetControlInfo): whether a
    // key-down of vk with the shift mask (1 Shift, 2 Ctrl, 4 Alt) is one of
    // them. Re-read when the control says its information changed.
    bool isMnemonic(int vk, int shift) const;
    // Hands a mnemonic key to the control as a dialog does: a tab-stop
    // control gets the focus, then IOleControl::OnMnemonic. False when the
    // key is not the control's mnemonic or the control cannot take it now
    // (hidden, disabled).
    bool runMnemonic(int vk, int shift);
    // How many EnableModeless(FALSE) calls of the control wait for their TRUE.
    int modelessDisabledCount() const { return m_modelessDisabled; }

    // Live site-side objects (sites, extenders, enumerators, frames), for
    // leak checks.
    static int LiveObjectCount();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class olehost::ControlSite;
    friend class olehost::Extender;
    friend class olehost::InPlaceFrame;

    struct ContainedItem {
        QPointer<QWidget> widget;          // a plain widget, or
        QPointer<ControlHostWidget> host;  // a hosted control
        com::ComPtr<olehost::Extender> extender;    // the plain widget's extender
    };

    // Site calls.
    com::HRESULT ambient(com::DISPID id, com::VARIANT *value) const;
    void posRectChanged(const RECT &rect);
    com::HRESULT formTranslateAccelerator(MSG *msg, DWORD modifiers);
    void syncControlRects();
    void readControlInfo();
    void notifyAmbient(com::DISPID id);
    // The objects EnumControls gives for an item asking with which.
    std::vector<com::ComPtr<com::IUnknown>> enumerate(DWORD oleContF, DWORD which) const;
    static void appendItems(const ControlHostWidget *container, DWORD oleContF, bool recurse,
                            std::vector<com::ComPtr<com::IUnknown>> &out);

    HWND m_hostWindow = 0;
    com::ComPtr<IOleObject> m_control;
    com::ComPtr<olehost::ControlSite> m_site;
    QString m_name;
    int m_index = -1;
    bool m_userMode = true;
    bool m_syncing = false;
    int m_modelessDisabled = 0;
    bool m_tabStop = false;
    HACCEL m_mnemonics = 0;  // the control's table (it owns it)
    RECT m_posRect;
    QPointer<ControlHostWidget> m_container;
    std::vector<ContainedItem> m_contained;
    std::function<com::HRESULT(MSG *, DWORD)> m_acceleratorHandler;
};

} // namespace platform::win
