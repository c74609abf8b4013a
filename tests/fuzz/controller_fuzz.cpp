// The unit controller on an in-memory port, driven by the fuzzer's bytes: ticks, the operator's
// operations, a unit that answers the frame it last received (rightly, or for another slot or
// channel, with an acknowledgement where data was due, with a short block, twice, after noise),
// raw bytes on the line and hang-ups. Whatever happens, every record of the program container
// and every program of the bank stays within the ranges of the model, the queue stays bounded,
// and no line event shows the same message twice.
//
// Input: a device type byte, then operations of one byte each, each followed by its arguments in
// the order they are listed.

#include "FakePort.h"
#include "FuzzSupport.h"
#include "FuzzUnit.h"
#include "ProgramSamples.h"
#include "files/ProgramFile.h"
#include "link/UnitController.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxOperations = 2000;
constexpr int kMaxQueued = 1000; // a backup queues 360 blocks; nothing should pile up beyond

// A reply to the request frame the unit last received: the sound answer, or one with the faults
// the fault byte picks (bit 0 another slot, 1 another channel or command, 2 another section,
// 3 an acknowledgement where data was due or data where an acknowledgement was, 4 a payload of
// any length, 5 noise with a false frame start first, 6 sent twice, 7 payload bytes from the
// input).
Bytes AnswerTo(const std::vector<std::uint8_t>& request, int deviceType, FuzzBytes& in) {
    if (request.size() < kFrameOverhead)
        return {};
    UnitAnswer a = SoundAnswer(request, deviceType);
    const std::uint8_t fault = in.Byte();
    if (fault & 0x01)
        a.slot = static_cast<std::uint8_t>(in.InRange(0, kLastProgramSlot));
    if (fault & 0x02)
        a.channel = static_cast<std::uint8_t>(in.InRange(0, 31));
    if (fault & 0x04)
        a.section = static_cast<std::uint8_t>(in.InRange(1, 3));
    if (fault & 0x08)
        a.kind = a.kind == kKindDataReply ? kKindAck : kKindDataReply;
    if (fault & 0x10)
        a.payload.resize(static_cast<std::size_t>(in.InRange(1, 139)));
    if (fault & 0x80) {
        const auto chosen = in.Take(static_cast<std::size_t>(in.InRange(0, 139)));
        const std::size_t n = std::min(chosen.size(), a.payload.size());
        std::copy_n(chosen.begin(), n, a.payload.begin());
    }
    Bytes reply;
    if (fault & 0x20) // a noise burst: a false frame start with a large length byte
        reply = Bytes{0xFF, 0xB1, 0x53, a.deviceId, 0x00, 0x01, 0x00, 0x00, 0x00, 0x90};
    const Bytes frame = WithFiller(a.Frame());
    reply.insert(reply.end(), frame.begin(), frame.end());
    if (fault & 0x40)
        reply.insert(reply.end(), frame.begin(), frame.end());
    return reply;
}

// The last request frame written to the port (single filler bytes are not frames).
const std::vector<std::uint8_t>* LastRequest(const FakePort& port) {
    for (auto it = port.writes.rbegin(); it != port.writes.rend(); ++it)
        if (it->bytes.size() > 1)
            return &it->bytes;
    return nullptr;
}

bool InRange(const ProgramImage& image, int deviceType) {
    ProgramImage limited = image;
    LimitProgramImage(limited, deviceType);
    return limited == image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in({data, size});
    const int deviceType = in.InRange(1, 3);

    ProgramBank sampleBank;
    sampleBank.fill(SampleImage());
    ProgramContainer container;
    ProgramBank bank = sampleBank;
    IUnitView view;
    RecordingMessageSink sink;
    auto fakePort = std::make_unique<FakePort>();
    FakePort& port = *fakePort;
    UnitController ctl(deviceType, container, bank, view, &sink, std::move(fakePort));

    // Reads the queued line bytes as the port's listener would report them.
    auto deliver = [&] {
        for (int i = 0; i < 64 && !port.pendingReads.empty(); ++i)
            ctl.OnLineEvent(LineEvent::kBytesReceived);
    };

    for (int step = 0; step < kMaxOperations && !in.empty(); ++step) {
        const std::size_t messagesBefore = sink.messages.size();
        int operation = in.Byte() % 20;
        // The busy display is modal: while a batch goes out, the operator starts no other.
        if (ctl.IsBusy() && operation >= 9 && operation <= 12)
            operation = 0;
        switch (operation) {
        case 0:
        case 1:
        case 2:
            for (int n = in.InRange(1, 45); n > 0; --n)
                ctl.Tick();
            break;
        case 3:
        case 4:
        case 5:
        case 6:
            if (const auto* request = LastRequest(port)) {
                port.QueueRead(AnswerTo(*request, deviceType, in));
                deliver();
            }
            break;
        case 7: {
            const auto noise = in.Take(in.InRange(1, 160));
            port.QueueRead(Bytes(noise.begin(), noise.end()));
            deliver();
            break;
        }
        case 8: {
            const int id = in.InRange(1, 250);
            const bool readLive = in.Byte() & 1;
            ctl.Connect("fuzz", id, readLive);
            break;
        }
        case 9:
            ctl.ReadProgramFromDevice(in.InRange(0, kLastProgramSlot));
            break;
        case 10:
            ctl.StoreProgramToDevice(in.InRange(0, kLastProgramSlot));
            break;
        case 11:
            ctl.ReadAllProgramsFromDevice();
            break;
        case 12:
            ctl.WriteAllProgramsToDevice(sampleBank);
            break;
        case 13:
            ctl.ChangeDeviceId(in.InRange(0, 255));
            break;
        case 14:
            ctl.SwitchToDevice(in.InRange(0, 255));
            break;
        case 15:
            ctl.Disconnect();
            break;
        case 16:
            ctl.OnLineEvent(LineEvent::kLineError | LineEvent::kIoError);
            break;
        case 17:
            switch (in.Byte() % 5) {
            case 0:
                ctl.SendGlobalSetting(in.InRange(0, 24));
                break;
            case 1:
                ctl.SetTemperature(in.InRange(-10, 60));
                break;
            case 2: {
                const bool output = in.Byte() & 1;
                const int channel = in.InRange(-1, 8);
                const std::size_t length = static_cast<std::size_t>(in.InRange(0, 12));
                ctl.SetChannelName(output, channel, in.Text(length));
                break;
            }
            case 3: {
                const int from = in.InRange(-1, 8);
                const int to = in.InRange(-1, 8);
                ctl.CopyChannel(from, to, in.Byte() & 1);
                break;
            }
            default:
                ctl.SetInputSource(in.InRange(-1, 2), true);
                break;
            }
            break;
        case 18:
            if (in.Byte() & 1) {
                const int first = in.InRange(1, 250);
                const int count = in.InRange(0, 5);
                ctl.StartSearch("fuzz", first, first + count);
            } else {
                ctl.CancelSearch();
            }
            break;
        default:
            for (int n = in.InRange(1, 20); n > 0 && ctl.IsSearching(); --n)
                ctl.SearchTick();
            break;
        }

        FUZZ_CHECK(ctl.Command().QueueCount() <= kMaxQueued, "the queue stays bounded");
        ProgramImage live;
        container.fillProgramImage(live);
        FUZZ_CHECK(InRange(live, deviceType), "the live records stay within the model's ranges");
        for (std::size_t i = 0; i < bank.size(); ++i)
            FUZZ_CHECK(bank[i] == sampleBank[i] || InRange(bank[i], deviceType),
                       "stored programs received stay within the ranges");
        std::set<std::string> shown;
        for (std::size_t i = messagesBefore; i < sink.messages.size(); ++i)
            FUZZ_CHECK(shown.insert(sink.messages[i].text).second,
                       "one event shows a message once");
    }
    return 0;
}
