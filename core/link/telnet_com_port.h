// A serial port reached over the network, byte for byte: the device texts "tcp://HOST:PORT"
// (a raw TCP stream; the server owns the line settings) and "rfc2217://HOST:PORT" (Telnet with
// the COM-PORT option, so the program sets the line and drives DTR and RTS itself, as operators
// run ser2net or a terminal server at a repeater site); "tcp+tls://" and "rfc2217+tls://" are
// the same inside TLS. This is the byte side only, with no
// sockets, so every rule can be checked without a network; platform/ moves the bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kelp {

struct NetworkAddress {
    enum class Kind { RawTcp, Rfc2217 };
    Kind kind = Kind::RawTcp;
    std::string host;  // an IPv6 address without its brackets
    std::uint16_t port = 0;
    bool tls = false;  // the stream travels inside TLS
};

// True when the device text is an address ("scheme://...") rather than a device path.
bool isNetworkDevice(const std::string& device);
// The address a device text names; nullopt with the operator's words in *error when the text
// is not a usable address (unknown scheme, no host, port missing or out of range).
std::optional<NetworkAddress> parseNetworkAddress(const std::string& device, std::string* error);

// The client's end of Telnet with the COM-PORT option. Feed it every byte the server sends;
// it hands back the serial data, answers the server's option questions (queued for
// takeReplies()) and remembers the server's answers to the COM-PORT requests.
class TelnetComPort {
  public:
    static constexpr unsigned char kIac = 255;
    static constexpr unsigned char kComPortOption = 44;

    // The COM-PORT requests this program makes; the server answers each with code + 100.
    enum Command : unsigned char {
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
    };
    static constexpr std::uint32_t kParityNone = 1;
    static constexpr std::uint32_t kOneStopBit = 1;
    static constexpr std::uint32_t kNoFlowControl = 1;
    static constexpr std::uint32_t kDtrOn = 8;
    static constexpr std::uint32_t kDtrOff = 9;
    static constexpr std::uint32_t kRtsOn = 11;
    static constexpr std::uint32_t kRtsOff = 12;

    enum class ComPortState { Asked, Accepted, Refused };

    // The first bytes to send: the program will speak COM-PORT, and wants binary both ways
    // (a controller answer is plain text, but a carriage return must travel alone).
    std::string greeting();
    // One COM-PORT request, framed. The baud rate travels in four bytes, the rest in one.
    static std::string request(Command command, std::uint32_t value);
    // Serial data made ready for the wire: IAC doubled, and while the server has not agreed to
    // binary a carriage return followed by NUL as Telnet's text mode wants it.
    std::string encode(const std::string& data) const;

    // Received bytes in, serial data out. Sequences split across reads are carried over.
    std::string receive(const std::string& bytes);
    // The answers to the server's option questions, to be sent; empties the queue.
    std::string takeReplies();

    ComPortState comPortState() const;
    // The server's latest answer to command since the last forget(command).
    std::optional<std::uint32_t> answer(Command command) const;
    void forget(Command command);

  private:
    enum class Side { No, WantYes, Yes };
    enum class State { Data, Iac, Verb, Sub, SubIac, CarriageReturn };

    void negotiate(unsigned char verb, unsigned char option);
    void subnegotiation();

    std::array<Side, 256> ours_{};    // options this end performs (WILL/WONT, DO/DONT asked of us)
    std::array<Side, 256> theirs_{};  // options the server performs
    State state_ = State::Data;
    unsigned char verb_ = 0;
    std::string sub_;
    std::string replies_;
    std::array<std::optional<std::uint32_t>, 6> answers_{};
};

}  // namespace kelp
