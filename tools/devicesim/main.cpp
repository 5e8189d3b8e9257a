// talvik-devicesim: a demand detector or reader on a pseudo-terminal. Serves
// until SIGINT or SIGTERM, logging every frame to standard error.
#include "tools/devicesim/options.h"
#include "tools/devicesim/simulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    devicesim::removeLinksForSignal();
    const char c = 1;
    if (::write(g_signalPipe[1], &c, 1) < 0) {
        // Nothing more can be done inside a signal handler.
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    devicesim::ProgramOptions opt;
    QString error;
    bool help = false;
    if (!devicesim::parseProgramOptions(args, &opt, &error, &help)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return help ? 0 : 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        std::perror("socketpair");
        return 1;
    }
    QSocketNotifier sigNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&sigNotifier, &QSocketNotifier::activated, &app, [] {
        char c;
        if (::read(g_signalPipe[0], &c, 1) >= 0)
            QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    devicesim::DeviceSimulator sim(opt.config);
    for (const auto &f : opt.faults)
        sim.device().faults().add(f);
    if (opt.ackTimeoutMs > 0)
        sim.device().setAckTimeout(opt.ackTimeoutMs);
    if (!opt.quiet)
        sim.setLogStream(stderr);
    if (!sim.start(opt.linkPath, &error)) {
        std::fprintf(stderr, "talvik-devicesim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stderr, "talvik-devicesim: %s (%s) on %s -> %s\n",
                 devicesim::modelName(opt.config.model).toLocal8Bit().constData(),
                 sim.device().versionText().trimmed().constData(),
                 opt.linkPath.toLocal8Bit().constData(), sim.slavePath().toLocal8Bit().constData());
    for (const auto &c : sim.device().customers())
        std::fprintf(stderr, "talvik-devicesim: customer %s, %lld records\n",
                     c.number.isEmpty() ? "(no number)" : c.number.constData(),
                     static_cast<long long>(c.records.size()));
    const int rc = app.exec();
    sim.unplug();
    return rc;
}
