#pragma once
// A load that refuses a value names it: which property (a dotted path into
// nested objects, "Effects.Item(2).BevelOuter") and the value as it was
// found. The object whose load failed leaves the refusal in the thread's
// error object; an outer load takes it, puts its own property name in front
// and leaves it again, so the host finally reads the whole path in the
// error's description.
#include "platform/com/errorinfo.h"

#include <QString>

namespace platform::com {

struct LoadRefusal {
    QString property; // "" while nothing was refused
    QString value;    // the value as found, or what was wrong with the data
    bool isSet() const { return !property.isEmpty(); }
};

// The second face of the error object a refused load leaves behind.
struct ILoadRefusal : IUnknown {
    virtual HRESULT GetRefusedProperty(BSTR *property) = 0;
    virtual HRESULT GetRefusedValue(BSTR *value) = 0;
};
extern const IID IID_ILoadRefusal;

// "プロパティ Effects.Item(2).BevelOuter の値 500 は読み込めません。"
QString LoadRefusalText(const LoadRefusal &refusal);

// Sets the thread's error object for a failed load (the text above; a load
// that failed without naming a value says so) and returns hr.
HRESULT ReportLoadRefusal(HRESULT hr, const LoadRefusal &refusal, const IID &iid, const QString &source);

// Takes the thread's error object (the slot is cleared). True with the
// refusal when it carries one; otherwise false, with its description (or
// "") in *description.
bool TakeLoadRefusal(LoadRefusal *refusal, QString *description);

// Value texts for messages: a string quoted (a long one shortened, with its
// length), numbers in decimal, Null, an object as such.
QString DescribeLoadedValue(const VARIANT &value);
QString DescribeLoadedString(const QString &text);
// A colour as "0x7F000000".
QString DescribeLoadedColour(uint32_t colour);

// What the stream said instead of a value.
QString TruncatedDataText();                  // the data ends early
QString StringLengthText(uint32_t bytes);     // an impossible string length
QString UnknownClassText(const CLSID &clsid); // a class that cannot be made

} // namespace platform::com
