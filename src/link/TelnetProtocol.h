#pragma once

#include "link/Port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The byte handling of a Telnet connection to a serial device server that controls the serial
// line through the COM port control option (RFC 854 and RFC 2217), without the socket: the
// network port hands it what came from the server and sends what it returns.
//
// - Data: an IAC byte (0xFF) is sent doubled and a doubled one received as one; with binary
//   transmission off in a direction, a carriage return travels as CR NUL (RFC 854).
// - Negotiation: the client asks to send COM port commands (WILL COM-PORT-OPTION) and for binary
//   transmission both ways, agrees to suppress go-ahead, and refuses every other option (echo
//   among them: the server must not send our requests back). Commands and negotiation never
//   reach the data.
// - COM port control: the line settings go out as SET-BAUDRATE, SET-DATASIZE, SET-PARITY,
//   SET-STOPSIZE and SET-CONTROL; the server answers each with the value it set. Its
//   notifications (line and modem state, flow control) are taken in and dropped.
class TelnetProtocol {
public:
    // Command bytes (RFC 854) and the options used here.
    static constexpr std::uint8_t kIac = 255;
    static constexpr std::uint8_t kDont = 254;
    static constexpr std::uint8_t kDo = 253;
    static constexpr std::uint8_t kWont = 252;
    static constexpr std::uint8_t kWill = 251;
    static constexpr std::uint8_t kSb = 250; // subnegotiation begins
    static constexpr std::uint8_t kSe = 240; // subnegotiation ends
    static constexpr std::uint8_t kBinary = 0;
    static constexpr std::uint8_t kEcho = 1;
    static constexpr std::uint8_t kSuppressGoAhead = 3;
    static constexpr std::uint8_t kComPortOption = 44;

    // COM port commands (RFC 2217); the server answers command n with n + 100.
    static constexpr std::uint8_t kSetBaudRate = 1;
    static constexpr std::uint8_t kSetDataSize = 2;
    static constexpr std::uint8_t kSetParity = 3;
    static constexpr std::uint8_t kSetStopSize = 4;
    static constexpr std::uint8_t kSetControl = 5;
    static constexpr std::uint8_t kServerReply = 100;

    enum class ComPortControl {
        Asked,   // the server has not answered yet
        Agreed,  // the server takes COM port commands
        Refused, // the server answered DONT or WONT COM-PORT-OPTION
    };

    // The negotiation the client opens the connection with.
    std::vector<std::uint8_t> Greeting();
    // True while an option the client asked about is unanswered.
    bool NegotiationPending() const;
    ComPortControl ComPort() const { return m_comPort; }

    // Appends `data` to `out` as it travels on the connection.
    void EncodeData(std::span<const std::uint8_t> data, std::vector<uint8_t>& out) const;
    // Takes bytes from the server: the serial line's data is appended to `data`, the answers the
    // negotiation calls for to `answers` (to be sent to the server).
    void Receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                 std::vector<std::uint8_t>& answers);

    // The COM port commands that set the line to `settings`; the server's answers to them are
    // awaited from now on.
    std::vector<std::uint8_t> LineSettingsRequest(const LineSettings& settings);
    // True when the server has answered every command of the last request.
    bool LineSettingsAnswered() const;
    // What the server set differently from the last request, in words ("" when nothing).
    std::string LineSettingsMismatch() const;

private:
    enum class Reading { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    struct OptionState {
        bool enabled = false;
        bool asked = false; // our request is unanswered
    };

    // The byte after an IAC.
    void CommandByte(std::uint8_t byte, std::vector<std::uint8_t>& data);
    // A negotiation command (DO, DONT, WILL, WONT) about `option`.
    void Command(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& answers);
    // DO/DONT: whether we perform the option; WILL/WONT: whether the server does.
    void Negotiate(OptionState& state, bool wanted, bool enable, std::uint8_t accept,
                   std::uint8_t refuse, std::uint8_t option, std::vector<std::uint8_t>& answers);
    void KeepSubnegotiationByte(std::uint8_t byte);
    void Subnegotiation();

    Reading m_reading = Reading::Data;
    std::uint8_t m_command = 0;
    bool m_afterCarriageReturn = false; // the last data byte was a CR, outside binary mode
    std::vector<std::uint8_t> m_subnegotiation;
    bool m_subnegotiationTooLong = false;

    std::array<OptionState, 256> m_ours{};   // options we perform
    std::array<OptionState, 256> m_theirs{}; // options the server performs
    ComPortControl m_comPort = ComPortControl::Asked;

    // The values asked for by the last request and the server's answers, by command.
    std::array<std::optional<std::uint32_t>, kSetControl + 1> m_asked{};
    std::array<std::optional<std::uint32_t>, kSetControl + 1> m_answered{};
};
