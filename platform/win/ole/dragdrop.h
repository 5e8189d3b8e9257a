#pragma once
// In-process OLE drag and drop: the data-transfer interfaces (IDataObject,
// IEnumFORMATETC, FORMATETC, STGMEDIUM), the drop source and drop target
// interfaces, the per-window registration of drop targets and DoDragDrop
// as a modal loop that follows the mouse and keyboard input the program's
// windows receive. Only drags between windows of this process exist; Qt's
// system drag and drop is not used.
#include "platform/com/stream.h"
#include "platform/win/ole/oleidl.h"

namespace platform::win {

using CLIPFORMAT = uint16_t;

// Clipboard formats in use.
constexpr CLIPFORMAT CF_TEXT = 1;
constexpr CLIPFORMAT CF_BITMAP = 2;
constexpr CLIPFORMAT CF_METAFILEPICT = 3;
constexpr CLIPFORMAT CF_DIB = 8;
constexpr CLIPFORMAT CF_PALETTE = 9;
constexpr CLIPFORMAT CF_ENHMETAFILE = 14;

// Medium types.
constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_FILE = 2;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD TYMED_ISTORAGE = 8;
constexpr DWORD TYMED_GDI = 16;
constexpr DWORD TYMED_MFPICT = 32;
constexpr DWORD TYMED_ENHMF = 64;

constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

// Drop effects.
constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD DROPEFFECT_SCROLL = 0x80000000u;

// Key state bits of the drag calls (MK_LBUTTON... of wintypes.h and Alt).
constexpr DWORD MK_ALT = 0x20;

constexpr com::HRESULT DRAGDROP_S_DROP = 0x00040100;
constexpr com::HRESULT DRAGDROP_S_CANCEL = 0x00040101;
constexpr com::HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
constexpr com::HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<com::HRESULT>(0x80040100u);
constexpr com::HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<com::HRESULT>(0x80040101u);
constexpr com::HRESULT DRAGDROP_E_INVALIDHWND = static_cast<com::HRESULT>(0x80040102u);
constexpr com::HRESULT DV_E_FORMATETC = static_cast<com::HRESULT>(0x80040064u);
constexpr com::HRESULT DV_E_TYMED = static_cast<com::HRESULT>(0x80040069u);
constexpr com::HRESULT DATA_S_SAMEFORMATETC = 0x00040130;

// The target device is never used here: always null.
struct FORMATETC {
    CLIPFORMAT cfFormat = 0;
    DVTARGETDEVICE *ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = TYMED_NULL;
};

struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    union {
        com::HGLOBAL hGlobal;
        com::IStream *pstm;
        void *handle; // GDI, metafile and other handles
    };
    com::IUnknown *pUnkForRelease = nullptr;
    STGMEDIUM() : hGlobal(nullptr) {}
};

// Frees what the medium holds: through its release object when it has one,
// else the block (GlobalFree) or the stream (Release). The medium is left
// empty (TYMED_NULL).
void ReleaseStgMedium(STGMEDIUM *medium);

struct IEnumFORMATETC : com::IUnknown {
    virtual com::HRESULT Next(ULONG count, FORMATETC *formats, ULONG *fetched) = 0;
    virtual com::HRESULT Skip(ULONG count) = 0;
    virtual com::HRESULT Reset() = 0;
    virtual com::HRESULT Clone(IEnumFORMATETC **copy) = 0;
};

struct IAdviseSink : com::IUnknown {
    virtual void OnDataChange(FORMATETC *format, STGMEDIUM *medium) = 0;
    virtual void OnViewChange(DWORD aspect, LONG index) = 0;
    virtual void OnRename(IMoniker *moniker) = 0;
    virtual void OnSave() = 0;
    virtual void OnClose() = 0;
};

struct IDataObject : com::IUnknown {
    virtual com::HRESULT GetData(const FORMATETC *format, STGMEDIUM *medium) = 0;
    virtual com::HRESULT GetDataHere(const FORMATETC *format, STGMEDIUM *medium) = 0;
    virtual com::HRESULT QueryGetData(const FORMATETC *format) = 0;
    virtual com::HRESULT GetCanonicalFormatEtc(const FORMATETC *in, FORMATETC *out) = 0;
    virtual com::HRESULT SetData(const FORMATETC *format, STGMEDIUM *medium, BOOL release) = 0;
    virtual com::HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC **formats) = 0;
    virtual com::HRESULT DAdvise(const FORMATETC *format, DWORD advf, IAdviseSink *sink, DWORD *connection) = 0;
    virtual com::HRESULT DUnadvise(DWORD connection) = 0;
    virtual com::HRESULT EnumDAdvise(IEnumSTATDATA **advises) = 0;
};

// Keeps the data-change advises of a data object.
struct IDataAdviseHolder : com::IUnknown {
    virtual com::HRESULT Advise(IDataObject *data, const FORMATETC *format, DWORD advf, IAdviseSink *sink,
                                DWORD *connection) = 0;
    virtual com::HRESULT Unadvise(DWORD connection) = 0;
    virtual com::HRESULT EnumAdvise(IEnumSTATDATA **advises) = 0;
    // Calls OnDataChange of every sink (with the data's current rendering of
    // its format unless the advise asked for no data).
    virtual com::HRESULT SendOnDataChange(IDataObject *data, DWORD reserved, DWORD advf) = 0;
};
constexpr DWORD ADVF_NODATA = 1;

struct IDropSource : com::IUnknown {
    virtual com::HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
    virtual com::HRESULT GiveFeedback(DWORD effect) = 0;
};

struct IDropTarget : com::IUnknown {
    virtual com::HRESULT DragEnter(IDataObject *data, DWORD keyState, POINTL point, DWORD *effect) = 0;
    virtual com::HRESULT DragOver(DWORD keyState, POINTL point, DWORD *effect) = 0;
    virtual com::HRESULT DragLeave() = 0;
    virtual com::HRESULT Drop(IDataObject *data, DWORD keyState, POINTL point, DWORD *effect) = 0;
};

extern const com::IID IID_IDataObject;
extern const com::IID IID_IEnumFORMATETC;
extern const com::IID IID_IAdviseSink;
extern const com::IID IID_IDataAdviseHolder;
extern const com::IID IID_IDropSource;
extern const com::IID IID_IDropTarget;

com::HRESULT CreateDataAdviseHolder(IDataAdviseHolder **holder);

// An enumerator over a copy of the formats (what data objects hand out).
com::HRESULT CreateFormatEnumerator(const FORMATETC *formats, ULONG count, IEnumFORMATETC **enumerator);

// Drop targets, one per window. Registering keeps a reference to the target
// until RevokeDragDrop; the target of a window that is gone is let go at the
// next registration call or drag.
// DRAGDROP_E_INVALIDHWND for a dead window, E_INVALIDARG for a null target,
// DRAGDROP_E_ALREADYREGISTERED for a second registration.
com::HRESULT RegisterDragDrop(HWND hwnd, IDropTarget *target);
// DRAGDROP_E_NOTREGISTERED when the window has no target.
com::HRESULT RevokeDragDrop(HWND hwnd);
// True while the window has a registered drop target (tests, hosts).
bool IsDropTargetRegistered(HWND hwnd);

// Runs a drag of data from source until the source ends it: a modal loop in
// which the program's windows get no mouse or key input. Every mouse and key
// event asks the source QueryContinueDrag (Esc pressed, key state from the
// buttons and modifiers); the window under the pointer, or its nearest
// ancestor with a registered target, gets DragEnter, DragOver, DragLeave and
// at the end Drop; the source gets GiveFeedback with the target's effect
// (masked by okEffects) and the default cursors when it answers
// DRAGDROP_S_USEDEFAULTCURSORS. Returns DRAGDROP_S_DROP with the target's
// effect, DRAGDROP_S_CANCEL (also for a release over no target or one that
// answered no effect) with DROPEFFECT_NONE, or the source's error.
// E_INVALIDARG for null arguments; E_UNEXPECTED while another drag runs or
// without an application object.
com::HRESULT DoDragDrop(IDataObject *data, IDropSource *source, DWORD okEffects, DWORD *effect);
// True while DoDragDrop runs.
bool IsDragRunning();

} // namespace platform::win
