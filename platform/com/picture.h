#pragma once
// The standard picture object: IPicture, IPictureDisp (its IDispatch) and
// IPersistStream. A picture is empty, a bitmap or an icon, held as an image.
//
// Stream form: "lt\0\0", a 4-byte byte count n, then n bytes: the 2-byte
// picture type followed by the image as PNG (nothing for an empty picture).
#include "platform/com/persist.h"

#include <QImage>

namespace platform::com {

constexpr int16_t PICTYPE_UNINITIALIZED = -1;
constexpr int16_t PICTYPE_NONE = 0;
constexpr int16_t PICTYPE_BITMAP = 1;
constexpr int16_t PICTYPE_METAFILE = 2;
constexpr int16_t PICTYPE_ICON = 3;

struct IPicture : IUnknown {
    virtual HRESULT get_Type(int16_t *type) = 0;
    virtual HRESULT get_Width(int32_t *himetric) = 0;
    virtual HRESULT get_Height(int32_t *himetric) = 0;
    // The image itself (a copy), for drawing.
    virtual HRESULT getImage(QImage *image) = 0;
};

// The picture's IDispatch (Type, Width, Height).
using IPictureDisp = IDispatch;

extern const IID IID_IPicture;
extern const IID IID_IPictureDisp;
extern const CLSID CLSID_StdPicture;

// A new picture of the type; a bitmap or icon takes the image.
ComPtr<IPicture> createPicture(int16_t type, const QImage &image = QImage());
// Reads a picture in the stream form above.
HRESULT OleLoadPicture(IStream *stream, int32_t size, bool keepOriginalFormat, const IID &iid, void **object);

// The class objects this layer serves itself (the standard picture and font); used by
// creation before the registry.
HRESULT builtinClassObject(const CLSID &clsid, const IID &iid, void **object);

} // namespace platform::com
