// Command line of talvik-devicesim.
#pragma once

#include "tools/devicesim/faultplan.h"
#include "tools/devicesim/model.h"

#include <QStringList>

namespace devicesim {

struct ProgramOptions {
    DeviceConfig config;
    QString linkPath;
    QList<Fault> faults;
    int ackTimeoutMs = 0;   // 0: the device's default
    bool quiet = false;     // no frame log
};

// args without the program name. Returns false with *error set on bad input
// (also for --help, with the usage text in *error and *helpShown true).
bool parseProgramOptions(const QStringList &args, ProgramOptions *out, QString *error,
                         bool *helpShown = nullptr);

QString usageText();

} // namespace devicesim
