#include "link/TelnetProtocol.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kNul = 0x00;

// A subnegotiation longer than this is no COM port answer: its bytes are dropped unread.
constexpr std::size_t kLongestSubnegotiation = 64;

// What the client performs when asked, and what it lets the server perform.
constexpr std::array<std::uint8_t, 3> kOurOptions{
    TelnetProtocol::kBinary, TelnetProtocol::kSuppressGoAhead, TelnetProtocol::kComPortOption};
constexpr std::array<std::uint8_t, 2> kTheirOptions{TelnetProtocol::kBinary,
                                                    TelnetProtocol::kSuppressGoAhead};

template <std::size_t N> bool Contains(const std::array<std::uint8_t, N>& set, std::uint8_t x) {
    return std::find(set.begin(), set.end(), x) != set.end();
}

// Words for the values of the COM port commands, for the operator.
struct ValueName {
    std::uint32_t value;
    std::string_view name;
};
constexpr std::array<ValueName, 5> kParityNames{
    {{1, "none"}, {2, "odd"}, {3, "even"}, {4, "mark"}, {5, "space"}}};
constexpr std::array<ValueName, 3> kStopSizeNames{{{1, "1"}, {2, "2"}, {3, "1.5"}}};
constexpr std::array<ValueName, 3> kControlNames{
    {{1, "none"}, {2, "XON/XOFF"}, {3, "hardware (RTS/CTS)"}}};

struct CommandInfo {
    std::uint8_t command;
    std::string_view setting;
    std::size_t valueBytes;
    std::span<const ValueName> names; // empty: the value is shown as a number
};
constexpr std::array<CommandInfo, 5> kCommands{{
    {TelnetProtocol::kSetBaudRate, "baud rate", 4, {}},
    {TelnetProtocol::kSetDataSize, "data bits", 1, {}},
    {TelnetProtocol::kSetParity, "parity", 1, kParityNames},
    {TelnetProtocol::kSetStopSize, "stop bits", 1, kStopSizeNames},
    {TelnetProtocol::kSetControl, "flow control", 1, kControlNames},
}};

std::string ValueText(const CommandInfo& info, std::uint32_t value) {
    const auto name = std::find_if(info.names.begin(), info.names.end(),
                                   [value](const ValueName& n) { return n.value == value; });
    return name != info.names.end() ? std::string(name->name) : std::to_string(value);
}

void Append(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

} // namespace

std::vector<std::uint8_t> TelnetProtocol::Greeting() {
    std::vector<std::uint8_t> out;
    for (const std::uint8_t option : {kBinary, kComPortOption}) {
        if (!m_ours[option].enabled && !m_ours[option].asked) {
            m_ours[option].asked = true;
            Append(out, {kIac, kWill, option});
        }
    }
    if (!m_theirs[kBinary].enabled && !m_theirs[kBinary].asked) {
        m_theirs[kBinary].asked = true;
        Append(out, {kIac, kDo, kBinary});
    }
    return out;
}

bool TelnetProtocol::NegotiationPending() const {
    return m_ours[kBinary].asked || m_ours[kComPortOption].asked || m_theirs[kBinary].asked;
}

void TelnetProtocol::EncodeData(std::span<const std::uint8_t> data,
                                std::vector<uint8_t>& out) const {
    const bool binary = m_ours[kBinary].enabled;
    for (const std::uint8_t byte : data) {
        out.push_back(byte);
        if (byte == kIac)
            out.push_back(kIac);
        else if (byte == kCarriageReturn && !binary)
            out.push_back(kNul);
    }
}

void TelnetProtocol::Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                             std::vector<std::uint8_t>& answers) {
    for (const std::uint8_t byte : bytes) {
        switch (m_reading) {
        case Reading::Data:
            if (byte == kIac) {
                m_reading = Reading::Command;
            } else if (!(m_afterCarriageReturn && byte == kNul)) {
                data.push_back(byte);
            }
            m_afterCarriageReturn = byte == kCarriageReturn && !m_theirs[kBinary].enabled;
            break;
        case Reading::Command:
            CommandByte(byte, data);
            break;
        case Reading::SubnegotiationCommand:
            if (byte == kIac) {
                m_reading = Reading::Subnegotiation; // a doubled IAC is a value byte
                KeepSubnegotiationByte(kIac);
            } else if (byte == kSe) {
                Subnegotiation();
                m_reading = Reading::Data;
            } else {
                // Any other command ends a malformed subnegotiation, which is dropped.
                m_subnegotiation.clear();
                CommandByte(byte, data);
            }
            break;
        case Reading::Option:
            Command(m_command, byte, answers);
            m_reading = Reading::Data;
            break;
        case Reading::Subnegotiation:
            if (byte == kIac)
                m_reading = Reading::SubnegotiationCommand;
            else
                KeepSubnegotiationByte(byte);
            break;
        }
    }
}

void TelnetProtocol::KeepSubnegotiationByte(std::uint8_t byte) {
    if (m_subnegotiation.size() < kLongestSubnegotiation)
        m_subnegotiation.push_back(byte);
    else
        m_subnegotiationTooLong = true;
}

void TelnetProtocol::CommandByte(std::uint8_t byte, std::vector<std::uint8_t>& data) {
    m_afterCarriageReturn = false;
    m_reading = Reading::Data;
    if (byte == kIac) {
        data.push_back(kIac); // a doubled IAC is a data byte
    } else if (byte == kSb) {
        m_subnegotiation.clear();
        m_subnegotiationTooLong = false;
        m_reading = Reading::Subnegotiation;
    } else if (byte >= kWill && byte <= kDont) {
        m_command = byte;
        m_reading = Reading::Option;
    }
    // Commands without an option (NOP, go-ahead, data mark, ...) mean nothing to a serial line.
}

void TelnetProtocol::Command(std::uint8_t command, std::uint8_t option,
                             std::vector<std::uint8_t>& answers) {
    const bool enable = command == kDo || command == kWill;
    if (command == kDo || command == kDont) {
        Negotiate(m_ours[option], Contains(kOurOptions, option), enable, kWill, kWont, option,
                  answers);
    } else {
        Negotiate(m_theirs[option], Contains(kTheirOptions, option), enable, kDo, kDont, option,
                  answers);
    }
    if (option != kComPortOption)
        return;
    // The server answers the client's WILL with DO or DONT; WONT refuses as plainly.
    if (command == kDo && m_ours[kComPortOption].enabled)
        m_comPort = ComPortControl::Agreed;
    else if (command == kDont || (command == kWont && m_comPort == ComPortControl::Asked))
        m_comPort = ComPortControl::Refused;
}

void TelnetProtocol::Negotiate(OptionState& state, bool wanted, bool enable, std::uint8_t accept,
                               std::uint8_t refuse, std::uint8_t option,
                               std::vector<std::uint8_t>& answers) {
    // An answer goes out only when the state changes, so that no two parties loop (RFC 854);
    // the server's answer to our own request needs none.
    const bool answersOurRequest = std::exchange(state.asked, false);
    if (enable && !wanted) {
        Append(answers, {kIac, refuse, option});
        return;
    }
    if (enable == state.enabled)
        return;
    state.enabled = enable;
    if (!answersOurRequest)
        Append(answers, {kIac, enable ? accept : refuse, option});
}

void TelnetProtocol::Subnegotiation() {
    const std::vector<std::uint8_t> sub = std::exchange(m_subnegotiation, {});
    if (std::exchange(m_subnegotiationTooLong, false) || sub.size() < 2 ||
        sub[0] != kComPortOption || sub[1] <= kServerReply)
        return; // not a COM port answer (a notification, or another option's)
    const std::uint8_t command = static_cast<std::uint8_t>(sub[1] - kServerReply);
    const auto info =
        std::find_if(kCommands.begin(), kCommands.end(),
                     [command](const CommandInfo& c) { return c.command == command; });
    if (info == kCommands.end() || sub.size() != 2 + info->valueBytes)
        return;
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < sub.size(); ++i)
        value = (value << 8) | sub[i];
    m_answered[command] = value;
}

std::vector<std::uint8_t> TelnetProtocol::LineSettingsRequest(const LineSettings& settings) {
    m_asked = {};
    m_answered = {};
    m_asked[kSetBaudRate] = static_cast<std::uint32_t>(settings.baudRate);
    m_asked[kSetDataSize] = static_cast<std::uint32_t>(settings.dataBits);
    m_asked[kSetParity] = settings.parity ? 3u : 1u;                       // even : none
    m_asked[kSetStopSize] = static_cast<std::uint32_t>(settings.stopBits); // 1 or 2
    m_asked[kSetControl] = settings.flowControl ? 3u : 1u;                 // hardware : none
    std::vector<std::uint8_t> out;
    for (const CommandInfo& info : kCommands) {
        Append(out, {kIac, kSb, kComPortOption, info.command});
        const std::uint32_t value = *m_asked[info.command];
        for (std::size_t i = info.valueBytes; i-- > 0;) {
            const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
            out.push_back(byte);
            if (byte == kIac)
                out.push_back(kIac);
        }
        Append(out, {kIac, kSe});
    }
    return out;
}

bool TelnetProtocol::LineSettingsAnswered() const {
    for (const CommandInfo& info : kCommands) {
        if (m_asked[info.command] && !m_answered[info.command])
            return false;
    }
    return true;
}

std::string TelnetProtocol::LineSettingsMismatch() const {
    std::string text;
    for (const CommandInfo& info : kCommands) {
        const auto& asked = m_asked[info.command];
        const auto& answered = m_answered[info.command];
        if (!asked || !answered || *asked == *answered)
            continue;
        if (!text.empty())
            text += ", ";
        text += std::string(info.setting) + " " + ValueText(info, *answered) + " instead of " +
                ValueText(info, *asked);
    }
    return text;
}
