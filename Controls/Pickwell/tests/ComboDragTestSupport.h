#pragma once
// Doubles for the combo's drag-and-drop tests: data that came from
// elsewhere (text or other bytes in global memory, with chosen failures)
// and a drop target that records what it was given.
#include "Controls/Pickwell/ComboDataObject.h"
#include "platform/com/objectbase.h"

#include <QByteArray>

#include <cstring>
#include <vector>

namespace pickwell::testing {

namespace dd = platform::win;

// Data from another source: CF_TEXT (and format 7) in global memory.
class ForeignData final : public com::RefCounted<dd::IDataObject> {
public:
    QByteArray bytes = "abc";
    // When set, the block is shrunk to this size after it was filled, so
    // that the bytes behind it are still in memory but not in the block.
    int shrinkTo = -1;
    bool nullBlock = false;
    bool hasText = true;
    com::HRESULT failure = com::S_OK;
    int gets = 0;

    com::HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, this}, {dd::IID_IDataObject, this}});
    }
    com::HRESULT GetData(const dd::FORMATETC *f, dd::STGMEDIUM *m) override
    {
        ++gets;
        if (com::FAILED(failure))
            return failure;
        if (QueryGetData(f) != com::S_OK)
            return dd::DV_E_FORMATETC;
        m->tymed = dd::TYMED_HGLOBAL;
        m->pUnkForRelease = nullptr;
        if (nullBlock) {
            m->hGlobal = nullptr;
            return com::S_OK;
        }
        m->hGlobal = com::GlobalAlloc(com::GMEM_FIXED, size_t(bytes.size()));
        std::memcpy(com::GlobalLock(m->hGlobal), bytes.constData(), size_t(bytes.size()));
        com::GlobalUnlock(m->hGlobal);
        if (shrinkTo >= 0)
            com::GlobalReAlloc(m->hGlobal, size_t(shrinkTo), 0);
        return com::S_OK;
    }
    com::HRESULT GetDataHere(const dd::FORMATETC *, dd::STGMEDIUM *) override { return com::E_NOTIMPL; }
    com::HRESULT QueryGetData(const dd::FORMATETC *f) override
    {
        if (!f)
            return com::E_POINTER;
        const bool known = (f->cfFormat == dd::CF_TEXT && hasText) || f->cfFormat == 7 || f->cfFormat == dd::CF_BITMAP
                           || f->cfFormat == dd::CF_PALETTE;
        return known ? com::S_OK : dd::DV_E_FORMATETC;
    }
    com::HRESULT GetCanonicalFormatEtc(const dd::FORMATETC *, dd::FORMATETC *) override { return com::E_NOTIMPL; }
    com::HRESULT SetData(const dd::FORMATETC *, dd::STGMEDIUM *, dd::BOOL) override { return 0x12345; }
    com::HRESULT EnumFormatEtc(dd::DWORD, dd::IEnumFORMATETC **e) override
    {
        std::vector<dd::FORMATETC> list;
        if (hasText)
            list.push_back(FormatEtcOf(dd::CF_TEXT));
        list.push_back(FormatEtcOf(7));
        return dd::CreateFormatEnumerator(list.data(), dd::ULONG(list.size()), e);
    }
    com::HRESULT DAdvise(const dd::FORMATETC *, dd::DWORD, dd::IAdviseSink *, dd::DWORD *) override
    {
        return com::E_NOTIMPL;
    }
    com::HRESULT DUnadvise(dd::DWORD) override { return com::E_NOTIMPL; }
    com::HRESULT EnumDAdvise(dd::IEnumSTATDATA **) override { return com::E_NOTIMPL; }
};

// The CF_TEXT of a data object, or "<error>".
inline QByteArray textOf(dd::IDataObject *data)
{
    dd::FORMATETC f = FormatEtcOf(dd::CF_TEXT);
    dd::STGMEDIUM m;
    if (!data || com::FAILED(data->GetData(&f, &m)))
        return "<error>";
    const char *p = static_cast<const char *>(com::GlobalLock(m.hGlobal));
    QByteArray out(p, int(strnlen(p, com::GlobalSize(m.hGlobal))));
    com::GlobalUnlock(m.hGlobal);
    dd::ReleaseStgMedium(&m);
    return out;
}

// A drop target that takes a copy, reading the text at the drop.
class TextTarget final : public com::RefCounted<dd::IDropTarget> {
public:
    QByteArray dropped;
    std::vector<const char *> calls;
    com::HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}, {dd::IID_IDropTarget, this}});
    }
    com::HRESULT DragEnter(dd::IDataObject *, dd::DWORD, dd::POINTL, dd::DWORD *effect) override
    {
        calls.push_back("enter");
        *effect &= dd::DROPEFFECT_COPY;
        return com::S_OK;
    }
    com::HRESULT DragOver(dd::DWORD, dd::POINTL, dd::DWORD *effect) override
    {
        calls.push_back("over");
        *effect &= dd::DROPEFFECT_COPY;
        return com::S_OK;
    }
    com::HRESULT DragLeave() override
    {
        calls.push_back("leave");
        return com::S_OK;
    }
    com::HRESULT Drop(dd::IDataObject *data, dd::DWORD, dd::POINTL, dd::DWORD *effect) override
    {
        calls.push_back("drop");
        dropped = textOf(data);
        *effect &= dd::DROPEFFECT_COPY;
        return com::S_OK;
    }
};

} // namespace pickwell::testing
