#pragma once
// The designer's file form of a property bag: JSON, one entry per property
// in bag order. A plain value is {"name", "vt", "value"}; an object is
// {"name", "clsid"} with either "bag" (its own entries, nested) or "stream"
// (its stream bytes in base64).
//
//   {"control": "Ryx.Container3D7", "bag": [ {"name": "_Version", "vt": 3, "value": 65536}, ... ]}
#include "platform/com/persist.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace designer {

namespace com = platform::com;

QJsonArray bagToJson(const com::PropertyBag &bag);
// Fills bag with the entries; false with a message for a malformed entry
// (the bag may then hold the entries before it).
bool jsonToBag(const QJsonArray &entries, com::PropertyBag *bag, QString *error);

// The whole file: the control's ProgID and its bag.
QByteArray designFileBytes(const QString &progId, const com::PropertyBag &bag);
// Parses a design file; false with a message when it is not one.
bool parseDesignFile(const QByteArray &bytes, QString *progId, com::PropertyBag *bag, QString *error);

} // namespace designer
