#include "core/link/serial_link.h"

#include <gtest/gtest.h>

#include "core/app/error_reporter.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using testing::LinkTest;

constexpr const char* kReasons =
    "This is most likely caused by one of the following reasons:\r\n"
    "1. Your serial cable (or USB cable) is not connected to the computer\r\n"
    "2. You have configured Kelp with the wrong serial port (Configure Kelp --> Use Serial "
    "Port --> Com#)\r\n"
    "3. You are using a USB cable and have not loaded the drivers for the USB-to-serial "
    "adapter\r\n"
    "4. You do not have power to the QZ-740\r\n"
    "5. Your USB-to-serial adapter is not working properly (often happens with less expensive "
    "adapters based on the 'Prolific' adapter chip)\r\n"
    "6. The serial port is in use by another program\r\n"
    "\r\n"
    "Please check your connections and try again";

class SerialLinkTest : public LinkTest {
  protected:
    void openLink() {
        linkPreferences().ComPort = 1;
        OpenPort();
        ASSERT_FALSE(linkState().PortOpenError);
        prompter.clearRecords();
    }
};

struct Arrival {
    const char* text;
    std::int64_t afterMs;
};

struct AnswerCase {
    const char* name;
    std::vector<Arrival> arrivals;
    bool refused;               // ResponseError afterwards
    const char* boxSentence;    // nullptr: no box
    std::int64_t minMs, maxMs;  // virtual time the wait took
};

TEST_F(SerialLinkTest, CheckInputJudgesOnlyTheFirstCharacterOfEachRead) {
    const char* nack = "Kelp receive a NACK from the QZ740 after sending it a command string";
    const char* timeout =
        "Kelp did not receive a valid response from the QZ740 after sending it a command string";
    const std::vector<AnswerCase> cases = {
        {"ack at once", {{"+", 0}}, false, nullptr, 0, 0},
        {"ack with more text, late", {{"+OK\r\n", 300}}, false, nullptr, 300, 310},
        {"nack", {{"-\r\n", 40}}, true, nack, 40, 50},
        {"previous answer's CR LF before the plus", {{"\r\n+\r\n", 20}}, false, nullptr, 20, 30},
        {"previous answer's CR LF before the minus", {{"\r\n-\r\n", 20}}, true, nack, 20, 30},
        {"lone LF then plus", {{"\n+", 0}}, false, nullptr, 0, 0},
        {"line ends then garbage is still dropped", {{"\r\n?+", 0}}, true, timeout, 9000, 9010},
        {"CR read dropped, plus in a later read",
         {{"\r\n", 0}, {"+", 500}},
         false,
         nullptr,
         500,
         510},
        {"garbage then nack", {{"?x", 0}, {"-E", 2000}}, true, nack, 2000, 2010},
        {"silence", {}, true, timeout, 9000, 9010},
        {"plus just before giving up", {{"+", 8900}}, false, nullptr, 8900, 8910},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        openLink();
        for (const Arrival& a : c.arrivals) port.receive(a.text, a.afterMs);
        const std::int64_t start = clock.nowMs();
        CheckInput("1*10001180");
        const std::int64_t took = clock.nowMs() - start;
        EXPECT_EQ(linkState().ResponseError, c.refused);
        EXPECT_GE(took, c.minMs);
        EXPECT_LE(took, c.maxMs);
        if (c.boxSentence == nullptr) {
            EXPECT_TRUE(prompter.messageBoxes().empty());
        } else {
            ASSERT_EQ(prompter.messageBoxes().size(), 1u);
            EXPECT_EQ(prompter.lastMessageBox().text.rfind(c.boxSentence, 0), 0u);
        }
        EXPECT_FALSE(linkState().KelpMainSerialTimer.enabled());
        port.close();
    }
}

TEST_F(SerialLinkTest, AnAnswerLeftFromAnEarlierSessionIsNotTheFirstCommandsAnswer) {
    port.receive("+\r\n");  // the lock sent as the last session ended, answered after it
    openLink();
    port.receive("-\r\n", 40);
    CheckInput("1*10001180");
    EXPECT_TRUE(linkState().ResponseError);
}

TEST_F(SerialLinkTest, NackBoxWordForWord) {
    openLink();
    port.receive("-ERR");
    CheckInput("1*10001180");
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "QZ740 Communications Error");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.buttons, MessageButtons::OK);
    EXPECT_EQ(box.text,
              "Kelp receive a NACK from the QZ740 after sending it a command string\r\n\r\n"
              "The command string send was: \r\n1*10001180\r\n\r\n"
              "The last response from the QZ740 was: \r\n-ERR\r\n\r\n"
              "Location = Declarations: CheckInput: Check for NACK\r\n\r\n"
              "Update will terminate");
    EXPECT_EQ(linkState().stepLabel, "Exit_proc");
}

TEST_F(SerialLinkTest, TimeoutBoxNamesTheErrorCounterStep) {
    openLink();
    CheckInput("*9020#");
    EXPECT_EQ(prompter.lastMessageBox().text,
              "Kelp did not receive a valid response from the QZ740 after sending it a command "
              "string\r\n\r\n"
              "The command string send was: \r\n*9020#\r\n\r\n"
              "The last response from the QZ740 was: \r\n\r\n\r\n"
              "Location = Declarations: CheckInput: Check ErrorCounter\r\n\r\n"
              "Update will terminate");
}

TEST_F(SerialLinkTest, ResetReturnsAtOnceAndAClosedPortFails) {
    openLink();
    const int readsAtOpen = port.readCount();  // what an earlier session left, thrown away
    linkState().ResponseError = true;
    CheckInput("1*219999");
    EXPECT_FALSE(linkState().ResponseError);
    EXPECT_EQ(port.readCount(), readsAtOpen);
    EXPECT_EQ(clock.nowMs(), 0);

    // A closed port is a failure, said once, whether or not the command was sent first.
    port.close();
    CheckInput("1*10001180");
    EXPECT_TRUE(linkState().ResponseError);
    EXPECT_EQ(port.readCount(), readsAtOpen);
    EXPECT_EQ(prompter.lastMessageBox().title, "Serial Port Error");
    EXPECT_NE(prompter.lastMessageBox().text.find("1*10001180"), std::string::npos);
    prompter.clearRecords();
    SendStr("1*10001180\r");
    CheckInput("1*10001180");
    EXPECT_TRUE(linkState().ResponseError);
    EXPECT_EQ(prompter.messageBoxes().size(), 1u);
}

TEST_F(SerialLinkTest, SendStrWritesWhenOpenAndFailsWhenClosed) {
    linkPreferences().SerialDelay = 1;
    SendStr("1*10001180\r");
    EXPECT_EQ(port.written(), "");
    EXPECT_TRUE(linkState().ResponseError);
    EXPECT_TRUE(linkState().PortOpenError);
    EXPECT_EQ(prompter.lastMessageBox().title, "Serial Port Error");

    openLink();
    SendStr("1*10001180\r");
    EXPECT_EQ(port.written(), "\r1*10001180\r");
    EXPECT_EQ(clock.sleptMs(), 2);  // one pause for the priming CR, one per line
}

TEST_F(SerialLinkTest, SendStrReportsAFailedWrite) {
    openLink();
    port.failWrites("Input/output error");
    SendStr("1*10001180\r");
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, kSerialPortErrorTitle);
    EXPECT_NE(box.text.find("could not write the command string"), std::string::npos);
    EXPECT_NE(box.text.find("Reason: Input/output error"), std::string::npos);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialLinkTest, OpenPortOpensTheMappedDeviceAndPrimesTheLine) {
    linkPreferences().ComPort = 2;
    linkState().PortOpenError = true;
    OpenPort();
    EXPECT_FALSE(linkState().PortOpenError);
    EXPECT_EQ(port.device(), "/dev/ttyS1");
    EXPECT_EQ(port.written(), "\r");
    EXPECT_GE(clock.yieldCount(), 1);

    // Already open: primed again, not reopened.
    OpenPort();
    EXPECT_EQ(port.written(), "\r\r");
    EXPECT_EQ(std::count(port.events().begin(), port.events().end(), "open /dev/ttyS1"), 1);
}

TEST_F(SerialLinkTest, OpenPortFailureShowsTheSixReasons) {
    linkPreferences().ComPort = 3;
    port.failOpen("No such file or directory");
    OpenPort();
    EXPECT_TRUE(linkState().PortOpenError);
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "Serial Port Error");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.text, std::string("COM3 could not be opened\r\n\r\n") + kReasons +
                            "\r\n\r\nDevice: /dev/ttyUSB0\r\nReason: No such file or directory");

    // A port number no device is known for names the kelp.ini key to set.
    prompter.clearRecords();
    port.failOpen("");
    linkPreferences().ComPort = 7;
    OpenPort();
    EXPECT_TRUE(linkState().PortOpenError);
    EXPECT_NE(prompter.lastMessageBox().text.find("ComDevice(7)"), std::string::npos);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialLinkTest, APortThatCannotBeOpenedIsNamedWithTheCausesOfItsKind) {
    const struct {
        const char* device;
        bool fromMenu;  // "Com1" maps to it; else it was given on the command line
        const char* heading;
        const char* fits;  // a cause only this kind of port lists
    } rows[] = {
        {"/dev/ttyUSB0", false, "COM1 could not be opened", "USB-to-serial adapter"},
        {"tcp://site:4001", false, "tcp://site:4001 could not be opened", "(ser2net or the like)"},
        {"rfc2217://site:2217", true, "COM1 (rfc2217://site:2217) could not be opened", "RFC 2217"},
        {"tcp+tls://[::1]:4443", false, "tcp+tls://[::1]:4443 could not be opened",
         "pin it with --tls-fingerprint"},
        // Set up in the Network window: trusted there, by its button, not by an option.
        {"rfc2217+tls://site:2000", true, "COM1 (rfc2217+tls://site:2000) could not be opened",
         "choose Com1, press Test Connection and, when the fingerprint is your site's, Pin This"},
    };
    for (const auto& row : rows) {
        for (const bool openFails : {true, false}) {
            SCOPED_TRACE(std::string(row.device) + (openFails ? " open" : " write"));
            linkPreferences().ComPort = 1;
            linkPreferences().deviceOverride = row.fromMenu ? "" : row.device;
            port.setDevices({row.device});
            port.failOpen(openFails ? "refused" : "");
            port.failWrites(openFails ? "" : "Broken pipe");
            OpenPort();
            const std::string& text = prompter.lastMessageBox().text;
            EXPECT_EQ(text.substr(0, text.find('\r')), row.heading);
            EXPECT_NE(text.find(row.fits), std::string::npos) << text;
            // A network port has no cable, driver or adapter of its own to blame.
            EXPECT_EQ(text.find("USB") != std::string::npos, row.device[0] == '/') << text;
        }
    }
}

TEST_F(SerialLinkTest, OpenPortInDtmfModeFailsWithoutADevice) {
    OpenPort();  // ComPort 0: nothing to open, and the priming CR cannot be written
    EXPECT_TRUE(linkState().PortOpenError);
    EXPECT_EQ(prompter.lastMessageBox().text,
              std::string("COM0 could not be opened\r\n\r\n") + kReasons);
}

TEST_F(SerialLinkTest, OpenPortClosesAPortItCouldNotWrite) {
    linkPreferences().ComPort = 1;
    port.failWrites("Broken pipe");
    OpenPort();
    EXPECT_TRUE(linkState().PortOpenError);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialLinkTest, CheckComPortProbesAndCloses) {
    linkPreferences().DTMFComPort = 2;  // DTMF mode probes the push-to-talk port
    CheckComPort();
    EXPECT_EQ(port.events().front(), "open /dev/ttyS1");
    EXPECT_EQ(port.events().back(), "close");
    EXPECT_TRUE(prompter.records().empty());

    port.failOpen("No such file or directory");
    linkPreferences().ComPort = 5;
    CheckComPort();
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "Com Port");
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(box.text.rfind("ComPort 5 does not currently exist on this system.\r\n\r\n"
                             "This is normal in Windows if you are using a USB cable and you do "
                             "not currently have the cable plugged into the computer.",
                             0),
              0u);
}

TEST_F(SerialLinkTest, TickCountersFollowTheClockOnlyWhileEnabled) {
    LinkState& state = linkState();
    clock.advance(5000);
    pollSerialTimers();
    EXPECT_EQ(state.SerialTicks, 0);
    state.KelpMainSerialTimer2.setEnabled(true);
    clock.advance(2500);
    pollSerialTimers();
    EXPECT_EQ(state.SerialTicks2, 2);
    state.KelpMainSerialTimer2.setEnabled(true);  // keeps its phase
    clock.advance(500);
    pollSerialTimers();
    EXPECT_EQ(state.SerialTicks2, 3);
    EXPECT_EQ(state.SerialTicks, 0);
}

}  // namespace
}  // namespace kelp
