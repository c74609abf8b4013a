// The Telnet byte handling of network ports, fed what a hostile or broken serial server may send.
// The same bytes go in twice, once in the reads the fuzzer chose and once byte by byte: the data
// for the unit's receiver and the answers to the server must come out the same, and no larger
// than what came in. That data, escaped for sending, must come back unchanged through a receiver
// in the same state.
//
// Input: one byte choosing the start (bit 0: the server's greeting first, which agrees to binary
// transmission both ways; bit 1: a line settings request is awaited), then reads: a length byte
// (the read's length - 1) and that many bytes.

#include "FuzzSupport.h"
#include "link/TelnetProtocol.h"

#include <vector>

namespace {

using T = TelnetProtocol;

// ser2net's greeting: SGA both ways, ECHO offered and refused, binary both ways, COM port.
const std::vector<std::uint8_t> kGreeting{
    T::kIac,  T::kWill, 3,        T::kIac,  T::kDo,  3,       T::kIac,
    T::kWill, 1,        T::kIac,  T::kDont, 1,       T::kIac, T::kDo,
    0,        T::kIac,  T::kWill, 0,        T::kIac, T::kDo,  T::kComPortOption};

struct Side {
    explicit Side(int start) {
        telnet.Greeting();
        std::vector<std::uint8_t> data, answers;
        if (start & 1)
            telnet.Receive(kGreeting, data, answers);
        if (start & 2)
            telnet.LineSettingsRequest(LineSettings{});
    }
    TelnetProtocol telnet;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> answers;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in({data, size});
    const int start = in.Byte();
    Side chunked(start);
    Side single(start);
    std::size_t received = 0;
    while (!in.empty()) {
        const auto read = in.Take(in.Byte() + 1u);
        received += read.size();
        chunked.telnet.Receive(read, chunked.data, chunked.answers);
        for (std::size_t i = 0; i < read.size(); ++i)
            single.telnet.Receive(read.subspan(i, 1), single.data, single.answers);
        FUZZ_CHECK(chunked.data == single.data && chunked.answers == single.answers,
                   "the same data and answers whatever the reads");
    }
    FUZZ_CHECK(chunked.data.size() <= received, "no more data than bytes received");
    FUZZ_CHECK(chunked.answers.size() <= received, "an answer only to a command received");
    FUZZ_CHECK(chunked.telnet.ComPort() == single.telnet.ComPort() &&
                   chunked.telnet.LineSettingsAnswered() == single.telnet.LineSettingsAnswered() &&
                   chunked.telnet.LineSettingsMismatch() == single.telnet.LineSettingsMismatch(),
               "the same negotiation whatever the reads");

    // The data sent the other way: escaped by one side, it comes out of a receiver in the same
    // state unchanged, with nothing to answer (binary transmission or not).
    Side sender(start);
    Side receiver(start);
    std::vector<std::uint8_t> encoded;
    sender.telnet.EncodeData(chunked.data, encoded);
    receiver.telnet.Receive(encoded, receiver.data, receiver.answers);
    FUZZ_CHECK(receiver.data == chunked.data && receiver.answers.empty(),
               "escaped data comes back unchanged");
    return 0;
}
