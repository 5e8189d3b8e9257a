#pragma once
// The one port map of the program: COM number <-> serial device path.
//
// Fixed numbers 1 to 4 stand for /dev/ttyS0 to /dev/ttyS3. USB serial
// adapters (/dev/ttyUSB*, /dev/ttyACM* and every path listed in the
// environment variable TALVIK_SERIAL_ADAPTERS, ":"-separated, while it exists)
// get lasting numbers the way Windows gives them: the adapter's number is kept
// in the registry stand-in under
//   HKLM\SYSTEM\CurrentControlSet\Enum\FTDIBUS\<device key>\0000\Device Parameters
//   value "PortName" (REG_SZ "COMn")
// and claimed in the "ComDB" bitmap of
//   HKLM\SYSTEM\CurrentControlSet\Control\COM Name Arbiter.
// A new adapter gets the lowest number that is neither claimed nor held by
// another adapter; an adapter seen before keeps its number across plug-ins.
// An adapter whose PortName names 1 to 4 takes that number over from the fixed
// port while it is plugged in.
#include <QList>
#include <QString>

namespace platform::system {

struct PortEntry {
    int comNumber = 0;        // 1 ... 256
    QString devicePath;       // /dev/ttyS0, /dev/ttyUSB0, a pty path, ...
    bool usbAdapter = false;  // true for a USB serial adapter
    QString deviceKey;        // FTDIBUS subkey name of an adapter; empty for a fixed port
};

// Every serial port present now, fixed ports first, then adapters in the
// order they were found. Assigns (and records) a number to an adapter seen
// for the first time.
QList<PortEntry> serialPorts();

// The USB serial adapters present now (a subset of serialPorts()).
QList<PortEntry> usbAdapters();

// Device path of COM number n; empty when nothing stands behind the number
// (an absent adapter's number, a fixed port whose device does not exist).
QString devicePathForPort(int comNumber);

// COM number of a device path; -1 when the path is not a known serial port.
int portForDevicePath(const QString &devicePath);

// The registry subkey name under which an adapter is remembered: built from
// its USB vendor, product and serial number when the system knows them, else
// from its path.
QString deviceKeyForAdapter(const QString &devicePath);

} // namespace platform::system
