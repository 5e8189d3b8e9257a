#pragma once
// The standard font object: IFont, IFontDisp (its IDispatch), IPersistStream
// and a property-notify connection point for its changes.
//
// Stream form: version byte 1, charset (2 bytes), flags byte (0x02 italic,
// 0x04 underline, 0x08 strikethrough), weight (2 bytes), size in 1/10000
// point (4 bytes), name length in characters (1 byte), the name as UTF-16LE.
#include "platform/com/persist.h"

#include <QFont>

namespace platform::com {

struct IFont : IUnknown {
    virtual HRESULT get_Name(BSTR *name) = 0;
    virtual HRESULT put_Name(BSTR name) = 0;
    // Size in 1/10000 point (the CY of the original).
    virtual HRESULT get_Size(int64_t *size) = 0;
    virtual HRESULT put_Size(int64_t size) = 0;
    virtual HRESULT get_Bold(VARIANT_BOOL *bold) = 0;
    virtual HRESULT put_Bold(VARIANT_BOOL bold) = 0;
    virtual HRESULT get_Italic(VARIANT_BOOL *italic) = 0;
    virtual HRESULT put_Italic(VARIANT_BOOL italic) = 0;
    virtual HRESULT get_Underline(VARIANT_BOOL *underline) = 0;
    virtual HRESULT put_Underline(VARIANT_BOOL underline) = 0;
    virtual HRESULT get_Strikethrough(VARIANT_BOOL *strike) = 0;
    virtual HRESULT put_Strikethrough(VARIANT_BOOL strike) = 0;
    virtual HRESULT get_Weight(int16_t *weight) = 0;
    virtual HRESULT put_Weight(int16_t weight) = 0;
    virtual HRESULT get_Charset(int16_t *charset) = 0;
    virtual HRESULT put_Charset(int16_t charset) = 0;
    virtual HRESULT Clone(IFont **copy) = 0;
    virtual HRESULT IsEqual(IFont *other) = 0;
    // The font for drawing at 96 dpi.
    virtual HRESULT getQFont(QFont *font) = 0;
};

using IFontDisp = IDispatch;

extern const IID IID_IFont;
extern const IID IID_IFontDisp;
extern const CLSID CLSID_StdFont;

constexpr DISPID DISPID_FONT_NAME = 0;
constexpr DISPID DISPID_FONT_SIZE = 2;
constexpr DISPID DISPID_FONT_BOLD = 3;
constexpr DISPID DISPID_FONT_ITALIC = 4;
constexpr DISPID DISPID_FONT_UNDER = 5;
constexpr DISPID DISPID_FONT_STRIKE = 6;
constexpr DISPID DISPID_FONT_WEIGHT = 7;
constexpr DISPID DISPID_FONT_CHARSET = 8;

struct FONTDESC {
    QString name;
    int64_t size = 90000; // 9 pt
    int16_t weight = 400;
    int16_t charset = 128; // SHIFTJIS_CHARSET
    bool italic = false, underline = false, strikethrough = false;
};

HRESULT OleCreateFontIndirect(const FONTDESC &desc, const IID &iid, void **object);

// The font class object served by this layer (used by creation).
HRESULT fontClassObject(const IID &iid, void **object);

} // namespace platform::com
