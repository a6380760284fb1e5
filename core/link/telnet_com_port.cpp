#include "core/link/telnet_com_port.h"

#include <algorithm>
#include <cctype>

namespace kelp {

namespace {

constexpr unsigned char kSe = 240;
constexpr unsigned char kSb = 250;
constexpr unsigned char kWill = 251;
constexpr unsigned char kWont = 252;
constexpr unsigned char kDo = 253;
constexpr unsigned char kDont = 254;
constexpr unsigned char kBinary = 0;
constexpr unsigned char kSuppressGoAhead = 3;
// The server's answers to the requests are the request codes plus this.
constexpr unsigned char kAnswerOffset = 100;
// A subnegotiation longer than any COM-PORT answer is noise; keep no more of it than this.
constexpr std::size_t kLongestSubnegotiation = 64;

constexpr const char* kSchemes =
    "tcp://HOST:PORT, rfc2217://HOST:PORT or either inside TLS, tcp+tls:// and rfc2217+tls://";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

bool isNetworkDevice(const std::string& device) {
    return device.find("://") != std::string::npos;
}

std::optional<NetworkAddress> parseNetworkAddress(const std::string& device, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<NetworkAddress> {
        if (error != nullptr)
            *error = "'" + device + "' " + why + " (Kelp opens " + kSchemes + ")";
        return std::nullopt;
    };
    const std::size_t schemeEnd = device.find("://");
    if (schemeEnd == std::string::npos)
        return fail("is not a network address");
    NetworkAddress address;
    const std::string scheme = lower(device.substr(0, schemeEnd));
    const std::string tlsSuffix = "+tls";
    std::string base = scheme;
    if (base.size() > tlsSuffix.size() &&
        base.compare(base.size() - tlsSuffix.size(), tlsSuffix.size(), tlsSuffix) == 0) {
        address.tls = true;
        base.resize(base.size() - tlsSuffix.size());
    }
    if (base == "tcp")
        address.kind = NetworkAddress::Kind::RawTcp;
    else if (base == "rfc2217")
        address.kind = NetworkAddress::Kind::Rfc2217;
    else
        return fail("has a scheme this version cannot open, \"" + scheme + "://\"");

    std::string rest = device.substr(schemeEnd + 3);
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string portText;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return fail("has an IPv6 address without its closing ']'");
        address.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size() && rest[close + 1] == ':')
            portText = rest.substr(close + 2);
        else if (close + 1 != rest.size())
            return fail("has text after the IPv6 address that is not a port");
    } else {
        const std::size_t colon = rest.rfind(':');
        address.host = rest.substr(0, colon);
        if (colon != std::string::npos)
            portText = rest.substr(colon + 1);
        if (address.host.find_first_of(":/") != std::string::npos)
            return fail("is not HOST:PORT (an IPv6 address goes in brackets: [::1]:PORT)");
    }
    if (address.host.empty())
        return fail("names no host");
    if (portText.empty())
        return fail("names no port");
    if (portText.size() > 5 || !std::all_of(portText.begin(), portText.end(),
                                            [](unsigned char c) { return std::isdigit(c) != 0; }))
        return fail("has a port that is not a number from 1 to 65535");
    const unsigned long port = std::stoul(portText);
    if (port < 1 || port > 65535)
        return fail("has a port that is not a number from 1 to 65535");
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

std::string TelnetComPort::greeting() {
    ours_.fill(Side::No);
    theirs_.fill(Side::No);
    state_ = State::Data;
    replies_.clear();
    answers_.fill(std::nullopt);
    std::string bytes;
    for (unsigned char option : {kComPortOption, kBinary}) {
        ours_[option] = Side::WantYes;
        bytes += {static_cast<char>(kIac), static_cast<char>(kWill), static_cast<char>(option)};
    }
    theirs_[kBinary] = Side::WantYes;
    bytes += {static_cast<char>(kIac), static_cast<char>(kDo), static_cast<char>(kBinary)};
    return bytes;
}

std::string TelnetComPort::request(Command command, std::uint32_t value) {
    std::string payload;
    if (command == SetBaudRate) {
        for (int shift = 24; shift >= 0; shift -= 8)
            payload += static_cast<char>((value >> shift) & 0xFF);
    } else {
        payload += static_cast<char>(value & 0xFF);
    }
    std::string bytes = {static_cast<char>(kIac), static_cast<char>(kSb),
                         static_cast<char>(kComPortOption), static_cast<char>(command)};
    for (char c : payload) {
        bytes += c;
        if (static_cast<unsigned char>(c) == kIac)
            bytes += c;
    }
    bytes += {static_cast<char>(kIac), static_cast<char>(kSe)};
    return bytes;
}

std::string TelnetComPort::encode(const std::string& data) const {
    const bool binary = ours_[kBinary] == Side::Yes;
    std::string bytes;
    bytes.reserve(data.size());
    for (char c : data) {
        bytes += c;
        if (static_cast<unsigned char>(c) == kIac)
            bytes += c;
        else if (c == '\r' && !binary)
            bytes += '\0';
    }
    return bytes;
}

std::string TelnetComPort::receive(const std::string& bytes) {
    std::string data;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (state_) {
            case State::CarriageReturn:
                // Text mode sends a lone carriage return as CR NUL; the NUL is Telnet's.
                state_ = State::Data;
                if (c == 0)
                    break;
                [[fallthrough]];
            case State::Data:
                if (c == kIac) {
                    state_ = State::Iac;
                } else {
                    data += ch;
                    if (c == '\r' && theirs_[kBinary] != Side::Yes)
                        state_ = State::CarriageReturn;
                }
                break;
            case State::Iac:
                if (c == kIac) {
                    data += ch;
                    state_ = State::Data;
                } else if (c >= kWill) {
                    verb_ = c;
                    state_ = State::Verb;
                } else if (c == kSb) {
                    sub_.clear();
                    state_ = State::Sub;
                } else {
                    // NOP, go-ahead, data mark and the rest carry nothing for a serial line.
                    state_ = State::Data;
                }
                break;
            case State::Verb:
                negotiate(verb_, c);
                state_ = State::Data;
                break;
            case State::Sub:
                if (c == kIac)
                    state_ = State::SubIac;
                else if (sub_.size() < kLongestSubnegotiation)
                    sub_ += ch;
                break;
            case State::SubIac:
                if (c == kSe) {
                    subnegotiation();
                    state_ = State::Data;
                } else {
                    if (c == kIac && sub_.size() < kLongestSubnegotiation)
                        sub_ += ch;
                    state_ = State::Sub;
                }
                break;
        }
    }
    return data;
}

void TelnetComPort::negotiate(unsigned char verb, unsigned char option) {
    const bool aboutUs = verb == kDo || verb == kDont;
    const bool yes = verb == kWill || verb == kDo;
    Side& side = aboutUs ? ours_[option] : theirs_[option];
    const unsigned char agree = aboutUs ? kWill : kDo;
    const unsigned char refuse = aboutUs ? kWont : kDont;
    auto reply = [&](unsigned char answer) {
        replies_ += {static_cast<char>(kIac), static_cast<char>(answer), static_cast<char>(option)};
    };
    // Each side of an option answers a question only when it changes the state, so two ends
    // that ask at once never argue in a loop.
    if (yes) {
        if (side == Side::WantYes) {
            side = Side::Yes;
        } else if (side == Side::No) {
            // Binary and no go-aheads either way; COM-PORT is this end's to speak only.
            const bool accept = option == kBinary || option == kSuppressGoAhead ||
                                (aboutUs && option == kComPortOption);
            side = accept ? Side::Yes : Side::No;
            reply(accept ? agree : refuse);
        }
    } else {
        if (side == Side::Yes)
            reply(refuse);
        side = Side::No;
    }
}

void TelnetComPort::subnegotiation() {
    if (sub_.size() < 2 || static_cast<unsigned char>(sub_[0]) != kComPortOption)
        return;
    const auto code = static_cast<unsigned char>(sub_[1]);
    if (code <= kAnswerOffset || code - kAnswerOffset > SetControl)
        return;  // line and modem state notices, flow control suspend/resume: nothing to keep
    const std::size_t width = code - kAnswerOffset == SetBaudRate ? 4 : 1;
    if (sub_.size() < 2 + width)
        return;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | static_cast<unsigned char>(sub_[2 + i]);
    answers_[code - kAnswerOffset] = value;
}

std::string TelnetComPort::takeReplies() {
    std::string replies;
    replies.swap(replies_);
    return replies;
}

TelnetComPort::ComPortState TelnetComPort::comPortState() const {
    switch (ours_[kComPortOption]) {
        case Side::Yes:
            return ComPortState::Accepted;
        case Side::WantYes:
            return ComPortState::Asked;
        default:
            return ComPortState::Refused;
    }
}

std::optional<std::uint32_t> TelnetComPort::answer(Command command) const {
    return answers_[command];
}

void TelnetComPort::forget(Command command) {
    answers_[command].reset();
}

}  // namespace kelp
