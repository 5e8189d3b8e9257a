#include "talvik/link/clsSerialController.h"

#include "platform/comm/mscomm.h"
#include "platform/forms/msgbox.h"
#include "platform/profile/profile.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/link/recordFields.h"

namespace talvik {

namespace {

const QString kSection = QStringLiteral("通信設定");
const QString kCableMessage = QStringLiteral("ケーブルが接続されていません。");

std::function<int()> &virtualPortProvider()
{
    static std::function<int()> provider;
    return provider;
}

// A decimal text as a 16-bit integer; false (target unchanged) when it is not one.
bool parseInt16(const QString &text, std::int16_t &target)
{
    if (!platform::IsNumeric(text))
        return false;
    try {
        target = platform::CInt(platform::Val(text));
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return true;
}

} // namespace

QString serialIniPath()
{
    return platform::shell::programFolder() + QStringLiteral("\\Serial.ini");
}

clsSerialController::clsSerialController()
{
    try {
        m_Comm = std::make_unique<frmComm>();
        connect(m_Comm.get(), &frmComm::OnComm, this, &clsSerialController::m_Comm_OnComm);
        connect(m_Comm.get(), &frmComm::OnTimeOut, this, &clsSerialController::m_Comm_OnTimeOut);
        connect(m_Comm.get(), &frmComm::OnFrameTimeOut, this, &clsSerialController::m_Comm_OnFrameTimeOut);
        SerialInit();
    } catch (const platform::RuntimeError &e) {
        fault("Class_Initialize", e.Description());
    }
}

clsSerialController::~clsSerialController()
{
    try {
        closePort();
        if (m_Comm)
            m_Comm->Unload();
    } catch (const platform::RuntimeError &e) {
        fault("Class_Terminate", e.Description());
    }
}

void clsSerialController::fault(const char *procedure, const QString &description)
{
    platform::forms::MsgBox(QStringLiteral("clsSerialController:") + QString::fromLatin1(procedure)
                                + QLatin1Char(':') + description,
                            platform::forms::vbExclamation);
}

void clsSerialController::SerialInit()
{
    try {
        ReadIni();
        m_state = -1;
    } catch (const platform::RuntimeError &e) {
        fault("SerialInit", e.Description());
    }
}

void clsSerialController::ReadIni()
{
    const QString path = serialIniPath();
    struct Key {
        const char16_t *name;
        const char16_t *def;
        QString *text;
        std::int16_t *number;
    };
    const Key keys[] = {
        {u"ポート", u"0", nullptr, &m_port},
        {u"ボーレート", u"19200", &m_bps, nullptr},
        {u"パリティ", u"N", &m_parity, nullptr},
        {u"ビット長", u"8", &m_bit, nullptr},
        {u"ストップビット", u"1", &m_sbit, nullptr},
        {u"フロー制御", u"0", nullptr, &m_flow},
    };
    try {
        for (const Key &k : keys) {
            const QString def = QString::fromUtf16(k.def);
            if (k.text)
                *k.text = def;
            else
                *k.number = 0;
            QString value;
            const unsigned long len = platform::profile::GetPrivateProfileString(
                kSection, QString::fromUtf16(k.name), def, value, 255, path);
            if (len == 0)
                continue;
            const int nul = value.indexOf(QChar(0));
            if (nul >= 0)
                value.truncate(nul);
            if (k.text)
                *k.text = value;
            else
                parseInt16(value, *k.number);
        }
    } catch (const platform::RuntimeError &e) {
        fault("ReadIni", e.Description());
    }
}

bool clsSerialController::WriteIni()
{
    const QString path = serialIniPath();
    try {
        // The six keys in one rewrite of the file: all of them or none.
        return platform::profile::WritePrivateProfileStrings(
            kSection,
            {{QStringLiteral("ポート"), QString::number(m_port)},
             {QStringLiteral("ボーレート"), m_bps},
             {QStringLiteral("パリティ"), m_parity},
             {QStringLiteral("ビット長"), m_bit},
             {QStringLiteral("ストップビット"), m_sbit},
             {QStringLiteral("フロー制御"), QString::number(m_flow)}},
            path);
    } catch (const platform::RuntimeError &) {
        return false;
    }
}

void clsSerialController::setVirtualPortProvider(std::function<int()> provider)
{
    virtualPortProvider() = std::move(provider);
}

int clsSerialController::GetVirtualPort()
{
    return virtualPortProvider() ? virtualPortProvider()() : 0;
}

bool clsSerialController::openPort()
{
    bool result = false;
    try {
        platform::comm::MSComm &comm = m_Comm->MS_Comm;
        int number = m_port;
        if (m_port <= 0) {
            number = GetVirtualPort();
            if (number <= 0)
                return false;
        }
        comm.setCommPort(number);
        comm.setSettings(m_bps + QLatin1Char(',') + m_parity + QLatin1Char(',') + m_bit + QLatin1Char(',') + m_sbit);
        comm.setHandshaking(m_flow);
        m_state = -1;
        m_count = 0;
        m_limit = bufferLimit;
        m_Comm->startFrameTimer(0);
        comm.setInBufferCount(0);
        comm.setInBufferSize(1024);
        comm.setRTSEnable(true);
        comm.setPortOpen(true);
        if (comm.PortOpen()) {
            comm.setInputMode(1);
            comm.setRThreshold(1);
            result = true;
        } else {
            comm.setPortOpen(false);
            platform::forms::MsgBox(QStringLiteral("ｼﾘｱﾙﾎﾟｰﾄのｵｰﾌﾟﾝに失敗しました。設定内容を確認してください。"),
                                    platform::forms::vbCritical, QStringLiteral("シリアル通信異常"));
        }
    } catch (const platform::RuntimeError &) {
        return false;
    }
    return result;
}

void clsSerialController::closePort()
{
    try {
        m_Comm->startFrameTimer(0);
        // A frame half received from the closed port never ends.
        m_state = -1;
        fnc_resetData();
        if (IsOpen())
            m_Comm->MS_Comm.setPortOpen(false);
    } catch (const platform::RuntimeError &e) {
        fault("closePort", e.Description());
    }
}

bool clsSerialController::IsOpen() const
{
    return m_Comm && m_Comm->MS_Comm.PortOpen();
}

void clsSerialController::setTimer(int milliseconds)
{
    m_Comm->startTimer(milliseconds);
}

bool clsSerialController::takeDeviceGone()
{
    const bool gone = m_deviceGone;
    m_deviceGone = false;
    return gone;
}

bool clsSerialController::readyToSend()
{
    // A port closed under a transaction lost its device: what was to be sent
    // is dropped, and the reply timer ends the transaction as the time-out it
    // is. Only an open line that is not ready is the cable's fault.
    if (!IsOpen())
        return false;
    if (!checkLine()) {
        emit OnError(kCableMessage);
        return false;
    }
    return true;
}

bool clsSerialController::checkLine()
{
    try {
        if (m_port <= 0)
            return IsOpen() && GetVirtualPort() >= 0;
        return m_Comm->MS_Comm.CTSHolding();
    } catch (const platform::RuntimeError &e) {
        fault("checkLine", e.Description());
        return true;
    }
}

void clsSerialController::writeByte(char b)
{
    m_Comm->MS_Comm.Output(QByteArray(1, b));
}

void clsSerialController::sendData(const QByteArray &data, int length)
{
    if (!readyToSend())
        return;
    try {
        std::uint8_t bcc = 0;
        for (int i = 0; i < length && i < data.size(); ++i) {
            bcc ^= static_cast<std::uint8_t>(data[i]);
            writeByte(data[i]);
        }
        writeByte(static_cast<char>(bcc));
    } catch (const platform::RuntimeError &) {
        // A failed send ends silently; the reply timer reports it.
    }
}

void clsSerialController::sendAck()
{
    try {
        if (!readyToSend())
            return;
        writeByte(frame::ACK);
    } catch (const platform::RuntimeError &e) {
        fault("sendAck", e.Description());
    }
}

void clsSerialController::sendNAK()
{
    try {
        if (!readyToSend())
            return;
        writeByte(frame::NAK);
    } catch (const platform::RuntimeError &e) {
        fault("sendNak", e.Description());
    }
}

void clsSerialController::sendEOT()
{
    try {
        if (!readyToSend())
            return;
        writeByte(0x04);
    } catch (const platform::RuntimeError &e) {
        fault("sendEOT", e.Description());
    }
}

bool clsSerialController::checkBCC(std::uint8_t b)
{
    std::uint8_t bcc = 0;
    for (int i = 0; i < m_count; ++i)
        bcc ^= static_cast<std::uint8_t>(m_buffer[i]);
    return bcc == b;
}

void clsSerialController::errorPath(const QString &message)
{
    m_state = -1;
    fnc_resetData();
    closePort();
    emit OnError(message);
}

void clsSerialController::m_Comm_OnComm()
{
    namespace ev = platform::comm::ev;
    try {
        platform::comm::MSComm &comm = m_Comm->MS_Comm;
        switch (comm.CommEvent()) {
        case ev::Receive: {
            const int n = comm.InBufferCount();
            if (n >= 1) {
                comm.setInputLen(1);
                // A line found hung up while its bytes are taken is closed
                // with them; its report follows this one.
                for (int i = 0; i < n && comm.PortOpen(); ++i) {
                    const QByteArray one = comm.Input();
                    if (one.isEmpty())
                        break;
                    receive(static_cast<std::uint8_t>(one[0]));
                }
            }
            // A notification with nothing waiting is ignored.
            break;
        }
        case ev::Send: errorPath(QStringLiteral("送信ﾊﾞｯﾌｧ内のﾊﾞｲﾄ数が、指定ｻｲｽﾞよりも少なくなりました。")); break;
        case ev::DSR:
            // The port reports its device gone this way (the line hung up).
            m_deviceGone = true;
            closePort();
            break;
        case ev::CTS:
        case ev::Ring: closePort(); break;
        case ev::CD: break;
        case ev::EOFChar: errorPath(QStringLiteral("EOF (End Of File) 文字 (ASCII 文字 26) を受信しました。")); break;
        case ev::Break: errorPath(QStringLiteral("中断信号が受信されました。")); break;
        case ev::Frame: errorPath(QStringLiteral("ﾌﾚｰﾑ ｴﾗｰです。")); break;
        case ev::Overrun: errorPath(QStringLiteral("ﾎﾟｰﾄｵｰﾊﾞｰﾗﾝです。")); break;
        case ev::RxOver: errorPath(QStringLiteral("受信ﾊﾞｯﾌｧｵｰﾊﾞｰﾌﾛｰです。")); break;
        case ev::RxParity: errorPath(QStringLiteral("ﾊﾟﾘﾃｨｴﾗｰです。")); break;
        case ev::TxFull: errorPath(QString()); break;
        case ev::DCB: errorPath(QStringLiteral("ﾎﾟｰﾄのﾃﾞﾊﾞｲｽｺﾝﾄﾛｰﾙﾌﾞﾛｯｸ(DCB) で予期しないｴﾗｰが発生しました。")); break;
        default: errorPath(QString()); break; // no run-time error is current here
        }
    } catch (const platform::RuntimeError &e) {
        fault("OnComm", e.Description());
    }
}

void clsSerialController::m_Comm_OnTimeOut()
{
    try {
        m_state = -1;
        fnc_resetData();
        emit OnTimeOut();
    } catch (const platform::RuntimeError &e) {
        fault("OnTimeOut", e.Description());
    }
}

void clsSerialController::m_Comm_OnFrameTimeOut()
{
    // No byte for frameGapMs inside a frame: the frame is dropped.
    if (m_state != -1) {
        m_state = -1;
        fnc_resetData();
    }
}

void clsSerialController::receive(std::uint8_t b)
{
    try {
        execMatrix(b);
    } catch (const platform::RuntimeError &e) {
        fault("receive", e.Description());
    }
}

void clsSerialController::execMatrix(std::uint8_t b)
{
    const char c = static_cast<char>(b);
    if (m_state == 1) {
        m_state = -1;
        m_Comm->startFrameTimer(0);
        // A frame that overran the buffer lost bytes (its ETX among them):
        // it is never good, whatever its BCC says.
        fnc_notifyEvent(!m_overflow && checkBCC(b));
        return;
    }
    if (c == frame::ACK || c == frame::NAK) {
        // Inside a frame the byte ends it: the half frame is dropped and the
        // byte is reported alone, marked as having cut a frame.
        const bool cut = m_state == 0;
        m_state = -1;
        m_Comm->startFrameTimer(0);
        fnc_resetData();
        storeDataStart(b);
        fnc_notifyEvent(true, cut);
        return;
    }
    if (c == frame::STX) {
        if (m_state == -1) {
            m_state = 0;
            fnc_resetData();
            storeDataStart(b);
            m_Comm->startFrameTimer(frameGapMs);
            emit OnTranStart();
        }
        return;
    }
    if (c == frame::ETX || c == frame::ETB) {
        if (m_state == 0) {
            m_state = 1;
            fnc_storeData(b);
            m_Comm->startFrameTimer(frameGapMs);
        }
        return;
    }
    if (m_state == 0) {
        fnc_storeData(b);
        m_Comm->startFrameTimer(frameGapMs);
    }
}

void clsSerialController::storeDataStart(std::uint8_t b)
{
    m_count = 0;
    m_overflow = false;
    m_buffer = QByteArray(bufferLimit + 1, '\0');
    fnc_storeData(b);
}

void clsSerialController::fnc_storeData(std::uint8_t b)
{
    if (m_count < m_limit) {
        m_buffer[m_count] = static_cast<char>(b);
        ++m_count;
    } else {
        m_overflow = true;
    }
}

void clsSerialController::fnc_resetData()
{
    m_count = 0;
    m_overflow = false;
    m_buffer.clear();
}

void clsSerialController::fnc_notifyEvent(bool ok, bool cutFrame)
{
    // The handlers get their own copy; the machine is idle and empty before
    // they run, so whatever they do cannot touch the next frame.
    const QByteArray data = m_buffer.left(m_count);
    const int count = m_count;
    fnc_resetData();
    m_cutFrame = cutFrame;
    emit OnEvent(data, count, ok);
    m_cutFrame = false;
    emit OnTranEnd();
}

} // namespace talvik
