#pragma once
// The combo's OLE drag and drop: its own data object (the selected text),
// its drop source and drop target, the automatic drag start from the
// window's mouse messages, OLEDrag, the drop-target registration and the
// drop feedback sent to the inner window. One per control, living inside
// it: its interfaces count references on the control.
#include "Controls/Pickwell/ComboDataObject.h"

#include "Controls/common/SuiteControlBase.h"

namespace pickwell {

class zoCombo;
class DropTargetProxy;

// The drag-and-drop events of IComboEvents.
extern const controls::EventDescriptor kOLEStartDragEvent;
extern const controls::EventDescriptor kOLEGiveFeedbackEvent;
extern const controls::EventDescriptor kOLESetDataEvent;
extern const controls::EventDescriptor kOLECompleteDragEvent;
extern const controls::EventDescriptor kOLEDragOverEvent;
extern const controls::EventDescriptor kOLEDragDropEvent;

// The drag timer's id and delay.
constexpr win::UINT_PTR kDragTimerId = 1000;
constexpr win::UINT kDragDelay = 400;

class ComboDragDrop final : public win::IDataObject,
                            public win::IDropSource,
                            public win::IDropTarget,
                            public DataObjectOwner {
public:
    explicit ComboDragDrop(zoCombo &control);
    ~ComboDragDrop();

    // IUnknown: the control's.
    HRESULT QueryInterface(const com::IID &iid, void **object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IDataObject: the selected text as CF_TEXT.
    HRESULT GetData(const win::FORMATETC *format, win::STGMEDIUM *medium) override;
    HRESULT GetDataHere(const win::FORMATETC *, win::STGMEDIUM *) override { return com::E_NOTIMPL; }
    HRESULT QueryGetData(const win::FORMATETC *format) override;
    HRESULT GetCanonicalFormatEtc(const win::FORMATETC *, win::FORMATETC *) override { return com::E_NOTIMPL; }
    HRESULT SetData(const win::FORMATETC *, win::STGMEDIUM *, win::BOOL) override { return com::E_OUTOFMEMORY; }
    HRESULT EnumFormatEtc(win::DWORD direction, win::IEnumFORMATETC **formats) override;
    HRESULT DAdvise(const win::FORMATETC *, win::DWORD, win::IAdviseSink *, win::DWORD *) override
    {
        return win::OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT DUnadvise(win::DWORD) override { return win::OLE_E_NOCONNECTION; }
    HRESULT EnumDAdvise(win::IEnumSTATDATA **) override { return win::OLE_E_ADVISENOTSUPPORTED; }

    // IDropSource
    HRESULT QueryContinueDrag(win::BOOL escapePressed, win::DWORD keyState) override;
    HRESULT GiveFeedback(win::DWORD effect) override;

    // IDropTarget
    HRESULT DragEnter(win::IDataObject *data, win::DWORD keyState, win::POINTL point, win::DWORD *effect) override;
    HRESULT DragOver(win::DWORD keyState, win::POINTL point, win::DWORD *effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(win::IDataObject *data, win::DWORD keyState, win::POINTL point, win::DWORD *effect) override;

    // DataObjectOwner
    void FireOLESetData(com::IDispatch **data, int16_t *format) override;
    com::IUnknown *OwnerIdentity() override;

    // ---- the control's side
    // OLEDrag and the automatic start: runs a whole drag.
    HRESULT StartDrag();
    // Mouse messages of the window: true when swallowed.
    bool OnMouseMessage(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    // WM_TIMER of the drag timer.
    void OnDragTimer(win::HWND hwnd);
    // WM_SETCURSOR with automatic drag over the selection: true when handled.
    bool OnSetCursor(win::HWND hwnd);
    bool IsOwnDrag() const { return m_ownDrag; }
    win::DWORD LastEffect() const { return m_lastEffect; }
    bool IsDragArmed() const { return m_armed; }

    // The drop target registration of the control window.
    void RegisterTarget();
    void RevokeTarget();
    bool IsTargetRegistered() const { return m_registered; }
    // OLEDropMode changed at run time; the ambient UIDead changed.
    void OnDropModeChanged(int32_t newMode);
    void OnUIDeadChanged(bool dead);
    // Final release: the target goes and no call reaches the control again.
    void Detach();

    // The event DataObject of the drop in progress (tests).
    ComboDataObject *EventData() const { return m_eventData.get(); }

private:
    win::POINT toClient(win::POINTL point) const;
    bool insideClient(win::POINTL point) const;
    win::RECT textRect() const;
    int32_t charIndexAt(win::POINT client) const;
    void setDropCaretAtChar(int32_t index);
    void rememberCaret();
    void restoreCaret();
    void makeEventData(win::IDataObject *data);
    void fireDragOver(win::DWORD *effect, win::POINTL point, int16_t state);
    void fireDragDrop(win::DWORD *effect, win::POINTL point);
    void containerPoint(win::POINTL screen, float *x, float *y) const;
    static void automaticEffect(win::DWORD keys, win::DWORD *effect);

    void textDragEnter(win::IDataObject *data, win::POINTL point, win::DWORD *effect);
    void textDragOver(win::POINTL point, win::DWORD *effect);
    void textDragLeave();
    void textDrop(win::IDataObject *data, win::POINTL point, win::DWORD *effect);

    zoCombo &m_control;
    DropTargetProxy *m_proxy = nullptr; // what the registration holds

    // Source side.
    bool m_armed = false; // the drag timer runs after a button-down on the selection
    win::POINT m_startPoint{-1, -1};
    win::UINT m_armedMessage = 0;
    bool m_ownDrag = false;
    bool m_haveButtonMask = false;
    win::DWORD m_buttonMask = 0;
    win::DWORD m_cancelMask = 0;
    win::DWORD m_lastEffect = 0;
    bool m_selfDrop = false;

    // Target side.
    win::DWORD m_keys = 0;
    com::ComPtr<ComboDataObject> m_eventData;
    bool m_caretShown = false;
    win::POINT m_rememberedCaret{-1, -1};
    bool m_registered = false;
};

} // namespace pickwell
