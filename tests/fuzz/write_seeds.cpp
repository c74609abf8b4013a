// Writes the seed inputs of the fuzz targets into <folder>/<target>/: program files as the
// program writes them, the unit's sound answers to each request sequence, typed entries for every
// display kind, and controller sessions (connect, read, store, search, renumber, each faulty
// answer). Usage: fuzz_seed_writer tests/fuzz/corpus

#include "FuzzSupport.h"
#include "FuzzUnit.h"
#include "ProgramSamples.h"
#include "files/FilterTextFile.h"
#include "files/ProgramFile.h"
#include "model/DeviceModel.h"
#include "model/EqualizerExport.h"
#include "model/ProgramContainer.h"
#include "model/ValueFormats.h"
#include "protocol/RequestSequences.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Builds an input the way FuzzBytes takes it apart.
class SeedBytes {
public:
    SeedBytes& Byte(int b) {
        bytes.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    // The bytes FuzzBytes::InRange(low, high) reads back as `value`.
    SeedBytes& InRange(int low, int high, int value) {
        const auto raw = static_cast<std::uint64_t>(static_cast<std::int64_t>(value) - low);
        for (int i = 0; i < FuzzBytes::RangeBytes(low, high); ++i)
            bytes.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
        return *this;
    }
    SeedBytes& Append(std::span<const std::uint8_t> more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    SeedBytes& Text(std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Bytes bytes;
};

fs::path g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void ProgramFileSeeds() {
    for (const DeviceModel& model : kDeviceModels) {
        ProgramContainer data;
        data.setDeviceType(model.deviceType);
        const std::string digits(ModelDigits(model.deviceType));
        Write("single_setting_file", "default" + SingleSettingExtension(model.deviceType),
              EncodeProgramSetting(data));
        // The sample program as a unit of this model could hold it.
        ProgramImage image = SampleImage();
        LimitProgramImage(image, model.deviceType);
        data.loadProgramImage(image);
        SettleChangeFlags(data);
        Write("single_setting_file", "sample" + SingleSettingExtension(model.deviceType),
              EncodeProgramSetting(data));
    }
    for (const DeviceModel& model : kDeviceModels) {
        ProgramBank bank;
        for (std::size_t i = 0; i < bank.size(); ++i) {
            bank[i] = SampleImage();
            bank[i].name = "Memory " + std::to_string(i + 1);
            LimitProgramImage(bank[i], model.deviceType);
        }
        Write("program_library", "sample" + LibraryExtension(model.deviceType),
              EncodeProgramLibrary(bank));
    }
}

// The sound answers to a scenario's requests, one read per answer (two when `split`), each
// followed by a send tick.
void ReceiveSeed(const std::string& name, int scenario, int deviceType, int slot, bool split) {
    ProgramContainer data;
    data.setDeviceType(deviceType);
    std::vector<Request> requests;
    switch (scenario) {
    case 0:
        requests = QueueConnectReads(data);
        break;
    case 1:
        requests = ReadProgramFromDevice(data, slot);
        break;
    case 2:
        requests = ReadAllProgramsFromDevice(data);
        break;
    case 3:
        requests = StoreProgramToDevice(data, slot);
        break;
    default:
        break;
    }
    SeedBytes seed;
    seed.Byte(scenario + 5 * (deviceType - 1)).InRange(1, kLastProgramSlot, slot);
    for (const Request& request : requests) {
        const Bytes reply = WithFiller(SoundAnswer(request.bytes, deviceType).Frame());
        const std::size_t cut = split ? reply.size() / 2 : 0;
        if (cut > 0) {
            seed.Byte(static_cast<int>(cut - 1));
            seed.Append(std::span(reply).first(cut));
        }
        seed.Byte(0x80 | static_cast<int>(reply.size() - cut - 1));
        seed.Append(std::span(reply).subspan(cut));
    }
    Write("receive_path", name, seed.bytes);
}

void ReceiveSeeds() {
    ReceiveSeed("connect_reads_4x8", 0, kDeviceType4x8, 1, false);
    ReceiveSeed("read_live_program_4x8", 1, kDeviceType4x8, 0, false);
    ReceiveSeed("read_stored_program_3x6_split", 1, kDeviceType3x6, 12, true);
    ReceiveSeed("read_all_programs_2x4", 2, kDeviceType2x4, 1, false);
    ReceiveSeed("store_program_4x8", 3, kDeviceType4x8, 4, false);
}

void ValueEntrySeeds() {
    struct Kind {
        int code;
        int min, max;
        int step, offset; // indexes into the target's step and offset tables
        const char* name;
    };
    // Settings of the editors: kind, range, step, offset.
    constexpr std::array<Kind, 20> kinds{{
        {kKindDelayMsLong, 0, 52473, 2, 0, "delay_ms_long"},
        {kKindDelayMetresLong, 0, 52473, 2, 0, "delay_m_long"},
        {kKindDelayFeetLong, 0, 52473, 2, 0, "delay_ft_long"},
        {kKindCentred, 0, 400, 0, 0, "centred_gain"},
        {kKindInteger, 0, 100, 2, 0, "integer"},
        {kKindAttack, 0, 112, 2, 0, "attack"},
        {kKindOwnerText, 0, 0, 2, 0, "owner_text"},
        {kKindBandwidthFine, 0, 295, 2, 0, "bandwidth_fine"},
        {kKindFrequency, 20, 20000, 2, 0, "frequency"},
        {kKindInteger9, 0, 255, 2, 0, "integer9"},
        {kKindLinear, 0, 600, 1, 1, "linear"},
        {kKindQFine, 0, 295, 2, 0, "q_fine"},
        {kKindDelayMsShort, 0, 1465, 2, 0, "delay_ms_short"},
        {kKindDelayMetresShort, 0, 1465, 2, 0, "delay_m_short"},
        {kKindDelayFeetShort, 0, 1465, 2, 0, "delay_ft_short"},
        {kKindQCoarse, 0, 59, 2, 0, "q_coarse"},
        {kKindBandwidthCoarse, 0, 59, 2, 0, "bandwidth_coarse"},
        {kKindSlope, 0, 6, 2, 0, "slope"},
        {kKindRatio, 0, 13, 2, 0, "ratio"},
        {kKindTemperature, 0, 50, 2, 0, "temperature"},
    }};
    const std::array<std::pair<const char*, const char*>, 5> texts{{{"12.5", "decimal"},
                                                                    {"-3", "negative"},
                                                                    {"99999999999", "huge"},
                                                                    {"OFF", "off"},
                                                                    {"1,5ms", "comma"}}};
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const Kind& kind = kinds[k];
        for (const auto& [text, label] : texts) {
            SeedBytes seed;
            seed.Byte(static_cast<int>(k))
                .InRange(-70000, 70000, kind.min)
                .InRange(-70000, 70000, kind.max)
                .Byte(kind.step)
                .Byte(kind.offset)
                .InRange(-20, 70, 25)
                .InRange(kind.min, kind.max, (kind.min + kind.max) / 2)
                .Text(text);
            Write("value_entry", std::string(kind.name) + "_" + label, seed.bytes);
        }
    }
}

// Controller sessions: op codes of controller_fuzz.cpp.
constexpr int kOpTick = 0, kOpAnswer = 3, kOpNoise = 7, kOpConnect = 8, kOpReadProgram = 9,
              kOpStoreProgram = 10, kOpChangeId = 13, kOpHangUp = 16, kOpEdit = 17, kOpSearch = 18,
              kOpSearchTick = 19;

SeedBytes& TickAndAnswer(SeedBytes& seed, int times, int fault = 0) {
    for (int i = 0; i < times; ++i) {
        seed.Byte(kOpTick).InRange(1, 45, 1).Byte(kOpAnswer).Byte(fault);
        if (fault & 0x01)
            seed.InRange(0, kLastProgramSlot, 7);
        if (fault & 0x02)
            seed.InRange(0, 31, 3);
        if (fault & 0x04)
            seed.InRange(1, 3, 2);
        if (fault & 0x10)
            seed.InRange(1, 139, 40);
    }
    return seed;
}

SeedBytes Connected(int deviceType, int id) {
    SeedBytes seed;
    seed.InRange(1, 3, deviceType).Byte(kOpConnect).InRange(1, 250, id).Byte(1);
    TickAndAnswer(seed, 50);
    return seed;
}

void ControllerSeeds() {
    {
        SeedBytes s = Connected(kDeviceType4x8, 1);
        TickAndAnswer(s, 5); // meter polls once idle
        Write("controller", "connect_read_live_4x8", s.bytes);
    }
    {
        SeedBytes s = Connected(kDeviceType2x4, 7);
        s.Byte(kOpReadProgram).InRange(0, kLastProgramSlot, 5);
        TickAndAnswer(s, 14);
        s.Byte(kOpStoreProgram).InRange(0, kLastProgramSlot, 9);
        TickAndAnswer(s, 16);
        s.Byte(kOpEdit).Byte(1).InRange(-10, 60, 30);
        TickAndAnswer(s, 3);
        Write("controller", "read_and_store_2x4", s.bytes);
    }
    {
        SeedBytes s = Connected(kDeviceType3x6, 3);
        s.Byte(kOpChangeId).InRange(0, 255, 9);
        s.Byte(kOpTick).InRange(1, 45, 12);
        TickAndAnswer(s, 3);
        s.Byte(kOpHangUp);
        Write("controller", "renumber_then_hang_up_3x6", s.bytes);
    }
    {
        SeedBytes s;
        s.InRange(1, 3, kDeviceType4x8)
            .Byte(kOpSearch)
            .Byte(1)
            .InRange(1, 250, 245)
            .InRange(0, 5, 5);
        for (int i = 0; i < 6; ++i)
            s.Byte(kOpSearchTick).InRange(1, 20, 3).Byte(kOpAnswer).Byte(0);
        Write("controller", "search_4x8", s.bytes);
    }
    // Each faulty answer the unit can give, during the reads of a connect.
    const std::array<std::pair<int, const char*>, 7> faults{{{0x01, "other_slot"},
                                                             {0x02, "other_channel"},
                                                             {0x04, "other_section"},
                                                             {0x08, "ack_for_data"},
                                                             {0x10, "wrong_length"},
                                                             {0x20, "noise_first"},
                                                             {0x40, "answered_twice"}}};
    for (const auto& [fault, name] : faults) {
        SeedBytes s;
        s.InRange(1, 3, kDeviceType4x8).Byte(kOpConnect).InRange(1, 250, 1).Byte(1);
        TickAndAnswer(s, 40);
        TickAndAnswer(s, 6, fault);
        // Long enough for the repeat of a request still unanswered, which is answered soundly.
        s.Byte(kOpTick).InRange(1, 45, 21);
        TickAndAnswer(s, 12);
        s.Byte(kOpNoise).InRange(1, 160, 4).Byte(0xFF).Byte(0xB1).Byte(0x53).Byte(0x01);
        Write("controller", std::string("fault_") + name, s.bytes);
    }
}

// What a serial server sends on a Telnet RFC 2217 port: its greeting, the answers to the line
// settings, a reply with its 0xFF bytes doubled and a modem state notification inside, and a
// refusal. One read per part.
void TelnetSeeds() {
    const Bytes greeting{255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                         1,   255, 253, 0,   255, 251, 0,   255, 253, 44};
    const Bytes settings{255, 250, 44,  101, 0,   0,   37,  128, 255, 240, 255, 250, 44,
                         102, 8,   255, 240, 255, 250, 44,  103, 1,   255, 240, 255, 250,
                         44,  104, 1,   255, 240, 255, 250, 44,  105, 1,   255, 240};
    const Bytes reply{255, 255, 255, 255, 177, 83,  1,   0,   13,  0,
                      255, 250, 44,  107, 48,  255, 240, 255, 255, 170};
    auto read = [](SeedBytes& seed, const Bytes& part) {
        seed.Byte(static_cast<int>(part.size() - 1)).Append(part);
    };
    SeedBytes session;
    session.Byte(2);
    read(session, greeting);
    read(session, settings);
    read(session, reply);
    Write("telnet_stream", "greeting_settings_reply", session.bytes);
    SeedBytes refusal;
    refusal.Byte(0);
    read(refusal, {255, 254, 44, 13, 0, 65, 13, 10});
    Write("telnet_stream", "refusal_and_text", refusal.bytes);
}

// Filter texts as this program exports them (the sample program's inputs and outputs, every
// band type and crossover section) and as measurement programs write them, and measurements in
// the formats they are read from.
void EqualizerTextSeeds() {
    ProgramContainer data;
    data.loadProgramImage(SampleImage());
    for (const ChannelId channel : {ChannelId{false, 1}, ChannelId{true, 2}}) {
        const std::string text = FormatFilterText(ExportEqualizer(data, channel));
        Write("equalizer_text", channel.output ? "export_output.txt" : "export_input.txt",
              Bytes(text.begin(), text.end()));
    }
    const std::string exported =
        "Filter Settings file\r\n\r\nEqualiser: Generic\r\n"
        "Preamp: -6.2 dB\r\n"
        "Filter  1: ON  PK       Fc    63.5 Hz  Gain  -5.0 dB  Q  4.000\r\n"
        "Filter: ON PK Fc 1000 Hz Gain 2 dB BW Oct 0.5\r\n"
        "Filter  3: ON  LS 6dB   Fc   100 Hz  Gain   3.0 dB\r\n"
        "Filter  4: ON  HSC 12 dB Fc 2.5 kHz Gain -1.5 dB Q 0.9\r\n"
        "Filter  5: ON  HPQ      Fc    80 Hz  Q 0.707\r\n"
        "Filter  6: ON  HPQ      Fc    80 Hz  Q 0.707\r\n"
        "Filter  7: ON  LP1      Fc  2000 Hz\r\n"
        "Filter  8: ON  LPQ      Fc  2000 Hz  Q 1.0\r\n"
        "Filter  9: ON  NO       Fc    60 Hz  Q 10\r\n"
        "Filter 10: OFF AP       Fc   300 Hz  Q 0.7\r\n"
        "Filter 11: ON  None\r\n";
    Write("equalizer_text", "measurement_program.txt", Bytes(exported.begin(), exported.end()));
    const std::string measured = "* Freq(Hz) SPL(dB) Phase(degrees)\n"
                                 "20 80.5 170\n25 81.0 -175\n31.5 82.25 -160\n40 83 -150\n";
    Write("equalizer_text", "measurement.txt", Bytes(measured.begin(), measured.end()));
    const std::string frd = "# woofer\nFreq SPL\n100;85,5\n200;86,25\n400;87\n";
    Write("equalizer_text", "response.frd", Bytes(frd.begin(), frd.end()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seed_writer CORPUS_FOLDER\n";
        return 2;
    }
    g_root = argv[1];
    ProgramFileSeeds();
    ReceiveSeeds();
    ValueEntrySeeds();
    ControllerSeeds();
    TelnetSeeds();
    EqualizerTextSeeds();
    return 0;
}
