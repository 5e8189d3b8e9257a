#pragma once
// COM port number -> device path, through the program-wide port map of the
// system layer (fixed numbers 1 to 4 are /dev/ttyS0 to /dev/ttyS3 there,
// USB adapters keep lasting numbers). Tests may install their own resolver.
#include <QString>
#include <functional>

namespace platform::comm {

using ComPortResolver = std::function<QString(int)>;

// The device path of a COM number; empty when the number names no device.
QString comPortPath(int number);

// Installs a resolver in place of the port map; an empty function restores
// the port map.
void setComPortResolver(ComPortResolver resolver);

// The fixed rule alone: 1..4 -> /dev/ttyS0../dev/ttyS3.
QString fixedComPortPath(int number);

} // namespace platform::comm
