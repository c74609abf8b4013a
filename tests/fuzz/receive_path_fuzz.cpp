// The receive path (frame assembly, reply decoding, completion of the request on the line) fed
// the same bytes twice: once in the reads the fuzzer chose, once byte by byte. How the port
// happened to split the bytes must not matter: the decoded state, the notifications, the messages
// and the requests completed must come out the same.
//
// Input: one byte choosing the requests on the line and the device type, one byte choosing a
// program slot, then reads: a header byte (bit 7: a send tick follows this read, which transmits
// the head request; bits 0..6: the read's length - 1) and that many bytes.

#include "FakePort.h"
#include "FuzzSupport.h"
#include "files/ProgramFile.h"
#include "link/UnitLink.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestSequences.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

class RecordingListener : public ILinkListener {
public:
    std::vector<std::pair<Notification, int>> notifications;
    void SendNotification(Notification message, int parameter) override {
        notifications.emplace_back(message, parameter);
    }
    void PostNotification(Notification message, int parameter) override {
        notifications.emplace_back(message, parameter);
    }
};

// Everything a receive step can change, in a form that compares.
struct ReceiveState {
    std::vector<std::uint8_t> receivedProgram; // name and channel records
    ProgramImage receivedImage;
    std::vector<std::string> programNames;
    std::vector<int> meters;
    int sourceByte = 0;
    std::string version;
    std::string typeCode;
    int probedType = 0;
    std::vector<int> knownIds;
    int globals[4] = {};
    std::vector<std::string> texts;
    int queued = 0;
    std::uint64_t headSerial = 0;

    bool operator==(const ReceiveState&) const = default;
};

// One link on an in-memory port with the requests of a scenario queued and the first one sent.
struct Line {
    explicit Line(int scenario, int deviceType, int slot) {
        auto fake = std::make_unique<FakePort>();
        port = fake.get();
        link = std::make_unique<UnitLink>(std::move(fake));
        link->SetMessageSink(&sink);
        link->SetDeviceType(deviceType);
        link->OpenPort("fuzz", &listener, nullptr);
        link->SetSearchWindow(&listener);

        ProgramContainer data;
        data.setDeviceType(deviceType);
        switch (scenario) {
        case 0:
            link->QueueFrames(QueueConnectReads(data));
            break;
        case 1:
            link->QueueFrames(ReadProgramFromDevice(data, slot));
            break;
        case 2:
            link->QueueFrames(ReadAllProgramsFromDevice(data));
            break;
        case 3:
            link->QueueFrames(StoreProgramToDevice(data, slot));
            break;
        default:
            if (auto frame = GlobalSettingFrame(data, kGlobalTemperature))
                link->QueueFrame(std::move(*frame));
            break;
        }
        link->TransmitHead();
    }

    ReceiveState State() const {
        const ReplyDecoder& r = link->Replies();
        ReceiveState s;
        s.receivedProgram = EncodeProgramSetting(r.ReceivedProgram());
        s.receivedImage = r.ReceivedImage();
        for (int slot = 0; slot < kProgramSlotCount; ++slot)
            s.programNames.push_back(r.ProgramName(slot));
        for (int i = 0; i < ReplyDecoder::kMeterCount; ++i)
            s.meters.push_back(r.MeterLevel(i));
        s.sourceByte = r.SourceByte();
        s.version = r.VersionText();
        s.typeCode = r.TypeCode();
        s.probedType = r.ProbedDeviceType();
        s.knownIds = r.KnownDeviceIds();
        const ProgramContainer& p = r.ReceivedProgram();
        s.globals[0] = p.inputSource();
        s.globals[1] = p.temperature();
        s.globals[2] = p.backlight();
        s.globals[3] = p.unitValue4();
        for (const auto& m : sink.messages)
            s.texts.push_back(m.text);
        s.queued = link->QueueCount();
        s.headSerial = link->Queue().HeadSerial();
        return s;
    }

    FakePort* port = nullptr;
    RecordingListener listener;
    RecordingMessageSink sink;
    std::unique_ptr<UnitLink> link;
};

struct Read {
    std::span<const std::uint8_t> bytes;
    bool tickAfter = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in({data, size});
    const int choice = in.Byte();
    const int scenario = choice % 5;
    const int deviceType = 1 + (choice / 5) % 3;
    const int slot = in.InRange(1, kLastProgramSlot);

    std::vector<Read> reads;
    while (!in.empty()) {
        const std::uint8_t header = in.Byte();
        reads.push_back({in.Take((header & 0x7Fu) + 1u), (header & 0x80u) != 0});
    }

    Line chunked(scenario, deviceType, slot);
    Line single(scenario, deviceType, slot);
    for (const Read& read : reads) {
        chunked.link->AcceptBytes(read.bytes);
        for (std::size_t i = 0; i < read.bytes.size(); ++i)
            single.link->AcceptBytes(read.bytes.subspan(i, 1));
        if (read.tickAfter) {
            chunked.link->TransmitHead();
            single.link->TransmitHead();
        }
        FUZZ_CHECK(chunked.listener.notifications == single.listener.notifications,
                   "the same notifications whatever the reads");
    }
    FUZZ_CHECK(chunked.State() == single.State(),
               "the same decoded state and completed requests whatever the reads");
    return 0;
}
