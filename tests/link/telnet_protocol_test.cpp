// The Telnet byte handling of network ports: data escaping both ways, option negotiation and the
// COM port control answers, without a socket.

#include "TestBytes.h"
#include "link/TelnetProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using T = TelnetProtocol;

constexpr std::uint8_t IAC = T::kIac;
constexpr std::uint8_t SB = T::kSb;
constexpr std::uint8_t SE = T::kSe;
constexpr std::uint8_t COM = T::kComPortOption;

// What ser2net 4 sends first on a telnet(rfc2217) port: WILL SGA, DO SGA, WILL ECHO, DONT ECHO,
// DO BINARY, WILL BINARY, DO COM-PORT-OPTION.
const Bytes kSer2netGreeting{IAC,      T::kWill, 3,        IAC,      T::kDo, 3,      IAC,
                             T::kWill, 1,        IAC,      T::kDont, 1,      IAC,    T::kDo,
                             0,        IAC,      T::kWill, 0,        IAC,    T::kDo, COM};

Bytes Sub(std::uint8_t command, const Bytes& value) {
    return Concat({{IAC, SB, COM, command}, value, {IAC, SE}});
}

struct Received {
    Bytes data;
    Bytes answers;
};

Received Feed(TelnetProtocol& telnet, const Bytes& bytes, bool oneByteAtATime = false) {
    Received out;
    if (!oneByteAtATime) {
        telnet.Receive(bytes, out.data, out.answers);
        return out;
    }
    for (const std::uint8_t byte : bytes)
        telnet.Receive(Bytes{byte}, out.data, out.answers);
    return out;
}

// A connection as the network port opens it: the greeting sent, then what the server sends.
TelnetProtocol Negotiated(const Bytes& serverGreeting) {
    TelnetProtocol telnet;
    telnet.Greeting();
    Feed(telnet, serverGreeting);
    return telnet;
}

TEST(TelnetGreeting, AsksForComPortControlAndBinaryBothWays) {
    TelnetProtocol telnet;
    EXPECT_EQ(telnet.Greeting(), (Bytes{IAC, T::kWill, 0, IAC, T::kWill, COM, IAC, T::kDo, 0}));
    EXPECT_TRUE(telnet.NegotiationPending());
    EXPECT_EQ(telnet.ComPort(), T::ComPortControl::Asked);
}

// ---- Receiving ----------------------------------------------------------------------------

struct ReceiveCase {
    const char* name;
    Bytes serverGreeting; // before the bytes of the case
    Bytes bytes;
    Bytes data;
    Bytes answers;
};

class TelnetReceive : public testing::TestWithParam<ReceiveCase> {};

TEST_P(TelnetReceive, DataComesOutAndNegotiationIsAnswered) {
    const ReceiveCase& c = GetParam();
    for (const bool oneByteAtATime : {false, true}) {
        SCOPED_TRACE(oneByteAtATime ? "one byte at a time" : "in one piece");
        TelnetProtocol telnet = Negotiated(c.serverGreeting);
        const Received got = Feed(telnet, c.bytes, oneByteAtATime);
        EXPECT_EQ(got.data, c.data);
        EXPECT_EQ(got.answers, c.answers);
    }
}

// A reply frame as the unit sends it: three filler bytes 0xFF, then the frame (whose checksum
// may be 0xFF as well).
const Bytes kReply{0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x01, 0x00, 0x0D, 0xFF, 0xAA};

INSTANTIATE_TEST_SUITE_P(
    Cases, TelnetReceive,
    testing::Values(
        ReceiveCase{"DoubledIacIsOneDataByte",
                    kSer2netGreeting,
                    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x01, 0x00, 0x0D, 0xFF,
                     0xFF, 0xAA},
                    kReply,
                    {}},
        ReceiveCase{"Ser2netGreetingAnsweredOnlyWhereItAsksSomethingNew",
                    {},
                    kSer2netGreeting,
                    {},
                    // DO SGA for its WILL, WILL SGA for its DO, DONT ECHO for its WILL ECHO; the
                    // binary and COM port answers are those to our own requests.
                    {IAC, T::kDo, 3, IAC, T::kWill, 3, IAC, T::kDont, 1}},
        ReceiveCase{"UnknownOptionsRefusedBothWays",
                    kSer2netGreeting,
                    {0x01, IAC, T::kDo, 24, 0x02, IAC, T::kWill, 31, 0x03},
                    {0x01, 0x02, 0x03},
                    {IAC, T::kWont, 24, IAC, T::kDont, 31}},
        ReceiveCase{"RepeatedAgreementIsNotAnsweredAgain",
                    kSer2netGreeting,
                    Concat({kSer2netGreeting, {0x42}}),
                    {0x42},
                    // ECHO is refused each time it is offered, the rest is in force already.
                    {IAC, T::kDont, 1}},
        ReceiveCase{"OptionSwitchedOffIsAcknowledged",
                    kSer2netGreeting,
                    {IAC, T::kDont, 3, IAC, T::kWont, 3},
                    {},
                    {IAC, T::kWont, 3, IAC, T::kDont, 3}},
        ReceiveCase{"ComPortNotificationsNeverReachTheData",
                    kSer2netGreeting,
                    Concat({{0x10}, Sub(107, {0x00}), {0x11}, Sub(106, {0x60}), {0x12}}),
                    {0x10, 0x11, 0x12},
                    {}},
        ReceiveCase{"CommandsWithoutOptionDropped",
                    kSer2netGreeting,
                    {0x20, IAC, 241, 0x21, IAC, 249, 0x22}, // NOP, go-ahead
                    {0x20, 0x21, 0x22},
                    {}},
        ReceiveCase{"OverlongSubnegotiationDroppedDataAfterItKept",
                    kSer2netGreeting,
                    Concat({{IAC, SB, COM, 200}, Bytes(300, 0x55), {IAC, SE, 0x77}}),
                    {0x77},
                    {}},
        ReceiveCase{"SubnegotiationCutByACommandIsDropped",
                    kSer2netGreeting,
                    {IAC, SB, COM, 101, 0x00, IAC, T::kWill, 3, 0x33},
                    {0x33},
                    {}},
        // Outside binary mode a carriage return travels as CR NUL.
        ReceiveCase{"CarriageReturnNulOutsideBinaryMode",
                    {},
                    {0x0D, 0x00, 0x41, 0x0D, 0x0A},
                    {0x0D, 0x41, 0x0D, 0x0A},
                    {}},
        ReceiveCase{"CarriageReturnNulKeptInBinaryMode",
                    kSer2netGreeting,
                    {0x0D, 0x00, 0x41},
                    {0x0D, 0x00, 0x41},
                    {}}),
    [](const testing::TestParamInfo<ReceiveCase>& info) { return std::string(info.param.name); });

// ---- Sending --------------------------------------------------------------------------------

TEST(TelnetEncode, DoublesEveryIacAndPadsCarriageReturnsOnlyOutsideBinaryMode) {
    const Bytes frame{0xFF, 0xB1, 0x0D, 0xFF, 0xAA};
    Bytes binary;
    Negotiated(kSer2netGreeting).EncodeData(frame, binary);
    EXPECT_EQ(binary, (Bytes{0xFF, 0xFF, 0xB1, 0x0D, 0xFF, 0xFF, 0xAA}));

    // A server that refuses binary transmission gets the carriage return as CR NUL.
    TelnetProtocol telnet = Negotiated({IAC, T::kDont, 0, IAC, T::kWont, 0, IAC, T::kDo, COM});
    EXPECT_FALSE(telnet.NegotiationPending());
    Bytes text;
    telnet.EncodeData(frame, text);
    EXPECT_EQ(text, (Bytes{0xFF, 0xFF, 0xB1, 0x0D, 0x00, 0xFF, 0xFF, 0xAA}));
}

// ---- COM port control -----------------------------------------------------------------------

struct ComPortCase {
    const char* name;
    Bytes server;
    T::ComPortControl state;
};

class TelnetComPort : public testing::TestWithParam<ComPortCase> {};

TEST_P(TelnetComPort, ServerAnswerDecidesWhetherTheLineCanBeSet) {
    TelnetProtocol telnet = Negotiated(GetParam().server);
    EXPECT_EQ(telnet.ComPort(), GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TelnetComPort,
    testing::Values(ComPortCase{"Do", {IAC, T::kDo, COM}, T::ComPortControl::Agreed},
                    ComPortCase{"Dont", {IAC, T::kDont, COM}, T::ComPortControl::Refused},
                    ComPortCase{"Wont", {IAC, T::kWont, COM}, T::ComPortControl::Refused},
                    // Offering to perform the option itself is no answer to ours.
                    ComPortCase{"WillOnly", {IAC, T::kWill, COM}, T::ComPortControl::Asked},
                    ComPortCase{"DoThenDont",
                                {IAC, T::kDo, COM, IAC, T::kDont, COM},
                                T::ComPortControl::Refused}),
    [](const testing::TestParamInfo<ComPortCase>& info) { return std::string(info.param.name); });

TEST(TelnetLineSettings, RequestsTheUnitsLineAndChecksEveryAnswer) {
    TelnetProtocol telnet = Negotiated(kSer2netGreeting);
    const Bytes request = telnet.LineSettingsRequest(LineSettings{});
    EXPECT_EQ(request, Concat({Sub(1, {0x00, 0x00, 0x25, 0x80}), Sub(2, {8}), Sub(3, {1}),
                               Sub(4, {1}), Sub(5, {1})}));
    EXPECT_FALSE(telnet.LineSettingsAnswered());

    // ser2net's answers, as captured: the values it set, under command + 100.
    const Bytes answers =
        Concat({Sub(101, {0x00, 0x00, 0x25, 0x80}), Sub(102, {8}), Sub(103, {1}), Sub(104, {1})});
    Feed(telnet, answers);
    EXPECT_FALSE(telnet.LineSettingsAnswered()); // flow control still unanswered
    const Received last = Feed(telnet, Sub(105, {1}));
    EXPECT_TRUE(last.data.empty());
    EXPECT_TRUE(telnet.LineSettingsAnswered());
    EXPECT_EQ(telnet.LineSettingsMismatch(), "");

    // A server that cannot do what was asked says what it set instead.
    telnet.LineSettingsRequest(LineSettings{});
    Feed(telnet, Concat({Sub(101, {0x00, 0x00, 0x4B, 0x00}), Sub(102, {8}), Sub(103, {3}),
                         Sub(104, {1}), Sub(105, {3})}));
    EXPECT_TRUE(telnet.LineSettingsAnswered());
    EXPECT_EQ(telnet.LineSettingsMismatch(), "baud rate 19200 instead of 9600, parity even "
                                             "instead of none, flow control hardware (RTS/CTS) "
                                             "instead of none");
}

TEST(TelnetLineSettings, IacInsideAValueTravelsDoubledBothWays) {
    TelnetProtocol telnet = Negotiated(kSer2netGreeting);
    LineSettings settings;
    settings.baudRate = 0xFF00; // 65280: one value byte is 0xFF
    const Bytes request = telnet.LineSettingsRequest(settings);
    const Bytes baud{IAC, SB, COM, 1, 0x00, 0x00, 0xFF, 0xFF, 0x00, IAC, SE};
    EXPECT_TRUE(std::equal(baud.begin(), baud.end(), request.begin()));

    Feed(telnet, Concat({{IAC, SB, COM, 101, 0x00, 0x00, 0xFF, 0xFF, 0x00, IAC, SE},
                         Sub(102, {8}),
                         Sub(103, {1}),
                         Sub(104, {1}),
                         Sub(105, {1})}));
    EXPECT_TRUE(telnet.LineSettingsAnswered());
    EXPECT_EQ(telnet.LineSettingsMismatch(), "");
}

} // namespace
