#include "tools/devicesim/device.h"

namespace devicesim {

namespace {

// Unframed bytes: no STX, ETX, ETB, ACK or NAK among them.
const QByteArray kGarbage("\x7F?GARBAGE\x1B#%\xFE\x80", 14);
// Bytes a host must ignore outside a frame (EOT included).
const QByteArray kNoise("\x00\xFF\x41\x0D\x0A\x04\x55", 7);

QByteArray twoDigits(int v) { return QByteArray::number(v).rightJustified(2, '0'); }

QByteArray clockFields(const QDateTime &t)
{
    return twoDigits(t.date().year() % 100) + twoDigits(t.date().month()) + twoDigits(t.date().day())
           + twoDigits(t.time().hour()) + twoDigits(t.time().minute());
}

QByteArray body(const QByteArray &text, char end = ETX)
{
    QByteArray b;
    b.append(STX);
    b.append(text);
    b.append(end);
    return b;
}

} // namespace

QString formatLogEntry(const LogEntry &e)
{
    const QString dir = e.bytes.isEmpty() ? QStringLiteral("--")
                        : e.direction == LogEntry::In ? QStringLiteral("RX") : QStringLiteral("TX");
    QString line = QStringLiteral("%1 %2 %3").arg(e.msecs / 1000.0, 9, 'f', 3).arg(dir, toHex(e.bytes));
    if (!e.note.isEmpty())
        line += QStringLiteral("  [%1]").arg(e.note);
    return line;
}

Device::Device(const DeviceConfig &config, QObject *parent)
    : QObject(parent), m_config(config)
{
    m_uptime.start();
    m_receiver.onUnit = [this](const ReceivedUnit &u) { onUnit(u); };
    m_receiver.onNoise = [this](char b) { onNoise(b); };
    m_ackTimer.setSingleShot(true);
    connect(&m_ackTimer, &QTimer::timeout, this, [this] { abandonTransfer(QStringLiteral("ACK time-out")); });

    m_version = versionTextOf(m_config.model);
    m_settings = defaultSettingsText(settingsLayout());

    if (m_config.clock)
        setClock(*m_config.clock);
    const QDateTime end = m_config.end ? *m_config.end : clock();
    if (m_config.model == Model::Reader) {
        const int n = m_config.customers < 0 ? 3 : qMin(m_config.customers, 99);
        for (int i = 0; i < n; ++i)
            m_customers.append({customerNumberFor(m_config.seed, i),
                                generateDemand(m_config.seed, i, end, m_config.days)});
    } else {
        // A detector keeps one customer's records; its number may be unset.
        const bool hasNumber = m_config.customers != 0;
        m_customers.append({hasNumber ? customerNumberFor(m_config.seed, 0) : QByteArray(),
                            generateDemand(m_config.seed, 0, end, m_config.days)});
    }
}

void Device::clearLog()
{
    m_log.clear();
    m_received.clear();
}

QList<QByteArray> Device::requests() const
{
    QList<QByteArray> out;
    for (const auto &u : m_received)
        if (u.kind == ReceivedUnit::Frame)
            out.append(u.bytes);
    return out;
}

QDateTime Device::clock() const
{
    return wallClockNow().addSecs(m_clockOffsetSecs);
}

void Device::setClock(const QDateTime &wallClock)
{
    m_clockOffsetSecs = wallClockNow().secsTo(wallClock);
}

int Device::findCustomer(const QByteArray &number) const
{
    for (int i = 0; i < m_customers.size(); ++i)
        if (m_customers[i].number == number)
            return i;
    return -1;
}

namespace {

// Appends to a list that keeps its most recent Device::kKeptEntries: once it
// holds half as many again, the oldest go in one step.
template <typename T>
void appendKept(QList<T> &list, const T &item)
{
    if (list.size() >= Device::kKeptEntries + Device::kKeptEntries / 2)
        list.remove(0, list.size() - Device::kKeptEntries + 1);
    list.append(item);
}

} // namespace

void Device::addLog(LogEntry::Direction dir, const QByteArray &bytes, const QString &note)
{
    LogEntry e{dir, bytes, note, m_uptime.elapsed()};
    appendKept(m_log, e);
    emit logged(e);
}

void Device::receiveBytes(const QByteArray &bytes)
{
    m_receiver.feed(bytes);
}

void Device::resetLink()
{
    m_receiver.reset();
    m_ackTimer.stop();
    ++m_generation;
    if (m_transfer.active)
        abandonTransfer(QStringLiteral("link reset"));
}

void Device::onNoise(char b)
{
    // Runs of ignored bytes are logged as one entry of at most 4 kB (endless
    // noise must not grow one entry without end either).
    if (!m_log.isEmpty() && m_log.last().direction == LogEntry::In
        && m_log.last().note == QLatin1String("noise") && m_log.last().bytes.size() < 4096) {
        m_log.last().bytes.append(b);
        return;
    }
    addLog(LogEntry::In, QByteArray(1, b), QStringLiteral("noise"));
}

void Device::onUnit(const ReceivedUnit &unit)
{
    appendKept(m_received, unit);
    if (unit.kind == ReceivedUnit::Frame) {
        addLog(LogEntry::In, unit.bytes + unit.bccByte, unit.bccOk ? QString() : QStringLiteral("BCC NG"));
        if (m_config.model == Model::Silent)
            return;
        ++m_generation;
        if (m_transfer.active)
            abandonTransfer(QStringLiteral("new request"));
        if (!unit.bccOk) {
            replyByte(QByteArray(), NAK);
            return;
        }
        handleRequest(unit.bytes);
        return;
    }
    addLog(LogEntry::In, unit.bytes, QString());
    if (m_config.model == Model::Silent)
        return;
    handleAckNak(unit.kind == ReceivedUnit::Ack);
}

void Device::handleRequest(const QByteArray &f)
{
    if (f.size() < 4) {
        replyByte(QByteArray(), NAK);
        return;
    }
    QByteArray cmd = f.mid(1, 2);
    if ((cmd == "RS" || cmd == "WS") && (f[3] == 'A' || f[3] == 'B'))
        cmd = f.mid(1, 3);

    if (m_faults.takeRequestFault(cmd)) {
        addLog(LogEntry::Out, QByteArray(1, NAK), QStringLiteral("fault nak"));
        emit transmit(QByteArray(1, NAK));
        return;
    }

    if (m_config.model == Model::Unknown && cmd != "RV") {
        replyByte(cmd, NAK);
        return;
    }
    if (cmd == "RV")
        doRV(f);
    else if (cmd == "RS" || cmd == "RSA" || cmd == "RSB")
        doReadSettings(cmd, f);
    else if (cmd == "WS" || cmd == "WSA" || cmd == "WSB")
        doWriteSettings(cmd, f);
    else if (cmd == "RT")
        doRT(f);
    else if (cmd == "WT")
        doWT(f);
    else if (cmd == "RC")
        doRC(f);
    else if (cmd == "WC")
        doWC(f);
    else if (cmd == "RD")
        doRD(f);
    else
        replyByte(cmd, NAK);
}

// --- commands ---

void Device::doRV(const QByteArray &f)
{
    if (f.size() != 4) {
        replyByte("RV", NAK);
        return;
    }
    replyFrame("RV", 1, body("RV" + m_version));
}

void Device::doReadSettings(const QByteArray &cmd, const QByteArray &f)
{
    const SettingsLayout want = cmd == "RS" ? SettingsLayout::S
                                : cmd == "RSA" ? SettingsLayout::SA : SettingsLayout::SB;
    if (want != settingsLayout() || f.size() != cmd.size() + 2) {
        replyByte(cmd, NAK);
        return;
    }
    replyFrame(cmd, 1, body(cmd + m_settings));
}

void Device::doWriteSettings(const QByteArray &cmd, const QByteArray &f)
{
    const SettingsLayout want = cmd == "WS" ? SettingsLayout::S
                                : cmd == "WSA" ? SettingsLayout::SA : SettingsLayout::SB;
    const int textLen = settingsTextLength(want);
    if (want != settingsLayout() || f.size() != 1 + cmd.size() + textLen + 1 || f.back() != ETX) {
        replyByte(cmd, NAK);
        return;
    }
    QByteArray text = f.mid(1 + cmd.size(), textLen);
    if (!validSettingsText(want, want == SettingsLayout::SB ? text.left(17) + QByteArray(15, ' ') : text)) {
        replyByte(cmd, NAK);
        return;
    }
    if (want == SettingsLayout::SB)
        text = text.left(17) + QByteArray(15, ' ');   // reserved bytes are always blanks
    m_settings = text;
    replyByte(cmd, ACK);
}

void Device::doRT(const QByteArray &f)
{
    if (f.size() != 4) {
        replyByte("RT", NAK);
        return;
    }
    replyFrame("RT", 1, body("RT" + clockFields(clock())));
}

void Device::doWT(const QByteArray &f)
{
    const auto t = f.size() == 14 && f[13] == ETX ? parseClockFields(f.mid(3, 10)) : std::nullopt;
    if (!t) {
        replyByte("WT", NAK);
        return;
    }
    setClock(*t);
    replyByte("WT", ACK);
}

void Device::doRC(const QByteArray &f)
{
    if (f.size() != 4) {
        replyByte("RC", NAK);
        return;
    }
    QList<QByteArray> numbers;
    for (const auto &c : m_customers)
        if (!c.number.isEmpty())
            numbers.append(c.number);
    if (numbers.isEmpty()) {
        replyByte("RC", ACK);
        return;
    }
    const qsizetype n = numbers.size();
    startTransfer("RC", n, [numbers, n](qsizetype i) {
        return body("RC" + numbers[i], i + 1 < n ? ETB : ETX);
    }, -1);
}

void Device::doWC(const QByteArray &f)
{
    const QByteArray number = f.mid(3, 9);
    if (f.size() != 13 || f[12] != ETX || !isNineDigits(number)) {
        replyByte("WC", NAK);
        return;
    }
    if (m_config.model == Model::Reader) {
        if (findCustomer(number) < 0)
            m_customers.append({number, {}});
    } else {
        m_customers[0].number = number;
    }
    replyByte("WC", ACK);
}

void Device::doRD(const QByteArray &f)
{
    int index = 0;
    bool del = false;
    if (m_config.model == Model::Reader) {
        const QByteArray number = f.mid(3, 9);
        if (f.size() != 14 || f[13] != ETX || !isNineDigits(number) || (f[12] != '0' && f[12] != '1')) {
            replyByte("RD", NAK);
            return;
        }
        index = findCustomer(number);
        del = f[12] == '1';
    } else if (f.size() != 4) {
        replyByte("RD", NAK);
        return;
    }
    if (index < 0 || m_customers[index].records.isEmpty()) {
        replyByte("RD", ACK);
        return;
    }
    // The blocks are made one at a time as they go out: the transfer holds
    // the series, not its frames.
    const DemandSeries records = m_customers[index].records;
    const qsizetype n = records.size();
    startTransfer("RD", n, [records, n](qsizetype i) {
        const DemandRecord r = records.at(i);
        return body("RD" + clockFields(r.stamp) + QByteArray::number(r.watt).rightJustified(4, '0'),
                    i + 1 < n ? ETB : ETX);
    }, del ? index : -1);
}

// --- transfers ---

void Device::startTransfer(const QByteArray &command, qsizetype blocks,
                           std::function<QByteArray(qsizetype)> blockAt, int deleteCustomer)
{
    m_transfer = Transfer{true, command, std::move(blockAt), blocks, 0, 0, deleteCustomer};
    sendCurrentBlock();
}

void Device::sendCurrentBlock()
{
    m_ackTimer.stop();
    const quint64 gen = m_generation;
    // Copies: an unplug fault resets the transfer while the block goes out.
    const QByteArray command = m_transfer.command;
    const QByteArray block = m_transfer.blockAt(m_transfer.current);
    replyFrame(command, int(m_transfer.current + 1), block);
    // An unplug fault may have reset the link while sending.
    if (gen == m_generation && m_transfer.active && !m_ackTimer.isActive())
        m_ackTimer.start(m_ackTimeoutMs);
}

void Device::handleAckNak(bool ack)
{
    if (!m_transfer.active)
        return;   // nothing waits for an answer: ignored
    m_ackTimer.stop();
    if (ack) {
        m_transfer.resends = 0;
        if (++m_transfer.current >= m_transfer.blocks) {
            completeTransfer();
            return;
        }
        sendCurrentBlock();
        return;
    }
    if (++m_transfer.resends > kMaxResends) {
        abandonTransfer(QStringLiteral("too many NAKs"));
        return;
    }
    sendCurrentBlock();
}

void Device::completeTransfer()
{
    const QByteArray cmd = m_transfer.command;
    if (m_transfer.deleteCustomer >= 0 && m_transfer.deleteCustomer < m_customers.size())
        m_customers[m_transfer.deleteCustomer].records.clear();
    m_transfer = Transfer{};
    ++m_completed;
    emit transferCompleted(cmd);
}

void Device::abandonTransfer(const QString &why)
{
    if (!m_transfer.active)
        return;
    const QByteArray cmd = m_transfer.command;
    addLog(LogEntry::Out, QByteArray(),
           QStringLiteral("%1 transfer abandoned at block %2: %3")
               .arg(QString::fromLatin1(cmd)).arg(m_transfer.current + 1).arg(why));
    m_ackTimer.stop();
    m_transfer = Transfer{};
    ++m_abandoned;
    emit transferAbandoned(cmd);
}

// --- replies and faults ---

void Device::send(const QByteArray &bytes, const QString &note)
{
    addLog(LogEntry::Out, bytes, note);
    if (!bytes.isEmpty())
        emit transmit(bytes);
}

void Device::replyByte(const QByteArray &command, char b)
{
    const QByteArray one(1, b);
    const auto fault = command.isEmpty() ? std::nullopt : m_faults.takeFrameFault(command, 1);
    if (!fault) {
        send(one, QString());
        return;
    }
    const QString note = QStringLiteral("fault ") + faultKindName(fault->kind);
    switch (fault->kind) {
    case FaultKind::Silence:
        addLog(LogEntry::Out, QByteArray(), note);
        return;
    case FaultKind::Garbage:
        send(kGarbage, note);
        return;
    case FaultKind::Noise:
        send(kNoise + one, note);
        return;
    case FaultKind::Delay: {
        const quint64 gen = m_generation;
        QTimer::singleShot(fault->arg, this, [this, gen, one, note] {
            if (gen == m_generation)
                send(one, note);
        });
        return;
    }
    case FaultKind::Unplug:
        addLog(LogEntry::Out, QByteArray(), note);
        emit unplugRequested();
        return;
    default:
        send(one, QString());
        return;
    }
}

QByteArray Device::defaultBadField(const QByteArray &command, int *pos) const
{
    if (command == "RV") { *pos = 2; return "X"; }          // "RX": wrong letters
    if (command == "RS") { *pos = 3; return "1805"; }       // watt not ending in 0
    if (command == "RSA") { *pos = 8; return "600"; }       // CT primary out of range
    if (command == "RSB") { *pos = 11; return "02"; }       // skip below 3
    if (command == "RT") { *pos = 5; return "13"; }         // month 13
    if (command == "RC") { *pos = 3; return "12345A789"; }  // letter in the number
    if (command == "RD") { *pos = 5; return "00"; }         // month 00
    *pos = -1;
    return QByteArray();
}

void Device::replyFrame(const QByteArray &command, int block, const QByteArray &b)
{
    const auto fault = m_faults.takeFrameFault(command, block);
    if (!fault) {
        send(withBcc(b), QString());
        return;
    }
    const QString note = QStringLiteral("fault %1 block %2").arg(faultKindName(fault->kind)).arg(block);
    const int half = qMax(2, int(b.size() / 2));
    switch (fault->kind) {
    case FaultKind::BadBcc:
        send(b + char(bcc(b) ^ 0x5A), note);
        break;
    case FaultKind::Garbage:
        send(kGarbage, note);
        break;
    case FaultKind::Silence:
        addLog(LogEntry::Out, QByteArray(), note);
        break;
    case FaultKind::Delay: {
        const quint64 gen = m_generation;
        const QByteArray bytes = withBcc(b);
        QTimer::singleShot(fault->arg, this, [this, gen, bytes, note] {
            if (gen == m_generation)
                send(bytes, note);
        });
        // The host's ACK cannot come before the block is out.
        if (m_transfer.active)
            m_ackTimer.start(m_ackTimeoutMs + fault->arg);
        break;
    }
    case FaultKind::Partial:
        send(b.left(half), note);
        break;
    case FaultKind::Noise:
        send(kNoise + withBcc(b), note);
        break;
    case FaultKind::AckInFrame:
        send(b.left(half) + ACK, note);
        break;
    case FaultKind::NakInFrame:
        send(b.left(half) + NAK, note);
        break;
    case FaultKind::DupStx:
        send(b.left(half) + STX + b.mid(half) + bcc(b), note);
        break;
    case FaultKind::Oversize: {
        QByteArray big = b.left(b.size() - 1);
        big.append(QByteArray(kMaxFrameBytes + 76 - big.size(), '0'));
        big.append(b.back());
        send(withBcc(big), note);
        break;
    }
    case FaultKind::BadField: {
        int pos = fault->fieldPos;
        QByteArray text = fault->fieldText;
        if (pos < 0)
            text = defaultBadField(command, &pos);
        QByteArray changed = b;
        if (pos > 0 && pos + text.size() < changed.size())
            changed.replace(pos, text.size(), text);
        send(withBcc(changed), note);
        break;
    }
    case FaultKind::Unplug: {
        const quint64 gen = m_generation;
        send(b.left(half), note);
        if (gen == m_generation)
            emit unplugRequested();
        break;
    }
    case FaultKind::Nak:
    case FaultKind::None:
        send(withBcc(b), QString());
        break;
    }
}

} // namespace devicesim
