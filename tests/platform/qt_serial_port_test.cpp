#include "platform/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "core/app/system_clock.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_trace.h"
#include "tests/core/app/temp_folder.h"
#include "tests/platform/ensure_application.h"

namespace kelp {
namespace {

// The controller's end of a pseudo-terminal; the port under test opens the device.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        device_ = ptsname(master_);
        // Held open with raw settings so the master never sees echoes or a hang-up.
        slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal() {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
    }
    const std::string& device() const { return device_; }
    void send(const std::string& text) {
        ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::string received() {
        std::string text;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0) text.append(buffer, n);
        return text;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
};

class QtSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApplication();
        ASSERT_FALSE(pty.device().empty()) << "no pseudo-terminal available";
    }
    PseudoTerminal pty;
    QtSerialPort port;
};

TEST_F(QtSerialPortTest, WritesAndReadsThroughThePort) {
    ASSERT_TRUE(port.open(pty.device())) << port.errorText();
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(port.open(pty.device()));  // already open
    EXPECT_TRUE(port.write("1*10001180\r"));
    EXPECT_EQ(pty.received(), "1*10001180\r");  // written out before write() returned

    pty.send("+\r\n");
    EXPECT_TRUE(port.waitForReadyRead(1000));
    std::string answer = port.readAll();
    while (answer.size() < 3 && port.waitForReadyRead(100)) answer += port.readAll();
    EXPECT_EQ(answer, "+\r\n");
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("x"));
}

TEST_F(QtSerialPortTest, WaitingEndsAsSoonAsTheAnswerArrives) {
    ASSERT_TRUE(port.open(pty.device()));
    QTimer::singleShot(100, [this] { pty.send("+"); });
    QElapsedTimer elapsed;
    elapsed.start();
    bool arrived = false;
    while (!arrived && elapsed.elapsed() < 3000) arrived = port.waitForReadyRead(10);
    EXPECT_TRUE(arrived);
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_EQ(port.readAll(), "+");

    // Nothing coming: one pass waits about its 10 ms and says so.
    elapsed.restart();
    EXPECT_FALSE(port.waitForReadyRead(10));
    EXPECT_GE(elapsed.elapsed(), 8);
    EXPECT_LT(elapsed.elapsed(), 500);
}

TEST_F(QtSerialPortTest, OpenFailuresSayWhy) {
    EXPECT_FALSE(port.open("/dev/kelp-no-such-port"));
    EXPECT_NE(port.errorText().find("/dev/kelp-no-such-port"), std::string::npos);
    EXPECT_NE(QtSerialPort::describeOpenError(QSerialPort::PermissionError, "/dev/ttyUSB0", "")
                  .find("'dialout' group"),
              std::string::npos);
    EXPECT_FALSE(port.waitForReadyRead(10));
}

TEST_F(QtSerialPortTest, CommandAcknowledgedThroughTheLink) {
    testing::TempFolder folder;  // kelp.ini and the serial trace
    setAppFolder(folder.path());
    SystemClock clock;
    ScopedClock scopedClock(clock);
    ScriptedPrompter prompter;
    ScopedPrompter scopedPrompter(prompter);
    ScopedSerialPort scopedPort(port);
    linkPreferences() = LinkPreferences{};
    linkPreferences().ComPort = 1;
    linkPreferences().deviceOverride = pty.device();
    OpenPort();
    ASSERT_FALSE(linkState().PortOpenError);
    SendStr("1*10001180\r");
    QTimer::singleShot(50, [this] { pty.send("+\r\n"); });
    CheckInput("1*10001180");
    EXPECT_FALSE(linkState().ResponseError);
    EXPECT_EQ(pty.received(), "\r1*10001180\r");
    EXPECT_TRUE(prompter.records().empty());
    currentSerialPort().close();
    EXPECT_NE(testing::readBytes(SerialTrace::instance().currentFile()).find("RX +"),
              std::string::npos);
    SerialTrace::instance().finish();
    setAppFolder({});
    linkPreferences() = LinkPreferences{};
}

}  // namespace
}  // namespace kelp
