#include "platform/qt_serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>
#include <cctype>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace kelp {

namespace {

// Orders device names the way people count them: ttyS2 before ttyS10.
bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const std::size_t za = na.find_first_not_of('0'), zb = nb.find_first_not_of('0');
            const std::string ta = za == std::string::npos ? "" : na.substr(za);
            const std::string tb = zb == std::string::npos ? "" : nb.substr(zb);
            if (ta.size() != tb.size())
                return ta.size() < tb.size();
            if (ta != tb)
                return ta < tb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort() {
    port_.close();
}

std::string QtSerialPort::describeOpenError(QSerialPort::SerialPortError error,
                                            const std::string& device,
                                            const std::string& systemText) {
    switch (error) {
        case QSerialPort::PermissionError:
#ifdef Q_OS_LINUX
            return "permission denied on " + device +
                   ": to use serial ports the user must be in the 'dialout' group (sudo usermod "
                   "-a -G dialout $USER, then log out and in again); the port may also be in use "
                   "by another program";
#else
            return "permission denied on " + device + "; the port may be in use by another program";
#endif
        case QSerialPort::DeviceNotFoundError:
            return device + " does not exist";
        case QSerialPort::OpenError:
            return device + " is already open";
        default:
            return systemText.empty() ? "cannot open " + device : systemText;
    }
}

bool QtSerialPort::open(const std::string& device) {
    device_ = device;
    if (port_.isOpen()) {
        error_ = device + ": the port is already open";
        return false;
    }
    lost_ = false;
    port_.setPortName(QString::fromStdString(device));
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // The controller's answers are short; more than this waits in the system's buffer.
    port_.setReadBufferSize(1024);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = describeOpenError(port_.error(), device, port_.errorString().toStdString());
        port_.clearError();
        return false;
    }
    // Linux raises DTR and RTS as it opens the device, and a transmitter wired to either keys
    // up: both are dropped before anything else goes through the port. The controller link
    // has no handshaking and needs neither; a device without modem lines (a pseudo-terminal)
    // has nothing to drop.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    error_.clear();
    return true;
}

void QtSerialPort::close() {
    if (port_.isOpen())
        port_.close();
}

bool QtSerialPort::hungUp() const {
    if (!port_.isOpen() || lost_)
        return lost_;
#ifdef Q_OS_UNIX
    // A hung-up terminal polls as HUP for good (the program set CLOCAL, so a real line without
    // carrier never does); an fd that is no longer valid polls as NVAL.
    pollfd pfd{static_cast<int>(port_.handle()), POLLIN, 0};
    if (::poll(&pfd, 1, 0) == 1 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        lost_ = true;
#else
    if (port_.error() == QSerialPort::ResourceError)
        lost_ = true;
#endif
    return lost_;
}

bool QtSerialPort::isOpen() const {
    // What arrived before the hang-up is still read (the controller's last answer).
    return port_.isOpen() && !(hungUp() && port_.bytesAvailable() == 0);
}

bool QtSerialPort::write(const std::string& data) {
    if (!port_.isOpen() || hungUp()) {
        error_ = port_.isOpen() ? kHungUp : "the port is not open";
        return false;
    }
    const qint64 written = port_.write(data.data(), static_cast<qint64>(data.size()));
    if (written != static_cast<qint64>(data.size())) {
        error_ = port_.errorString().toStdString();
        return false;
    }
    // 9600 baud moves about a byte a millisecond; allow twice that and a second more.
    const qint64 limitMs = std::min<qint64>(static_cast<qint64>(data.size()) * 2 + 1000, 60000);
    if (!drainWrites(limitMs)) {
        error_ = "the serial port did not take the data in time";
        return false;
    }
    if (port_.error() != QSerialPort::NoError) {
        error_ = hungUp() ? kHungUp : port_.errorString().toStdString();
        port_.clearError();
        return false;
    }
    return true;
}

bool QtSerialPort::drainWrites(qint64 limitMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        port_.flush();
        if (!port_.isOpen() || port_.bytesToWrite() == 0)
            return true;
        const qint64 left = limitMs - elapsed.elapsed();
        if (left <= 0)
            return false;
        const int slice = static_cast<int>(std::min<qint64>(left, 10));
        if (QCoreApplication::instance() == nullptr) {
            port_.waitForBytesWritten(slice);
            continue;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&port_, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&port_, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(slice);
        loop.exec();
    }
}

std::string QtSerialPort::readAll() {
    const QByteArray bytes = port_.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool QtSerialPort::waitForReadyRead(int ms) {
    if (!isOpen())
        return false;
    if (port_.bytesAvailable() > 0)
        return true;
    if (QCoreApplication::instance() == nullptr)
        return port_.waitForReadyRead(ms);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&port_, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&port_, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
    return port_.bytesAvailable() > 0;
}

bool QtSerialPort::setDtr(bool on) {
    if (port_.setDataTerminalReady(on))
        return true;
    error_ = "cannot drive DTR on " + device_ + ": " + port_.errorString().toStdString();
    port_.clearError();
    return false;
}

bool QtSerialPort::setRts(bool on) {
    if (port_.setRequestToSend(on))
        return true;
    error_ = "cannot drive RTS on " + device_ + ": " + port_.errorString().toStdString();
    port_.clearError();
    return false;
}

std::vector<std::string> QtSerialPort::availableDevices() const {
    std::vector<std::string> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.push_back(info.systemLocation().toStdString());
    std::sort(devices.begin(), devices.end(), naturalLess);
    return devices;
}

}  // namespace kelp
