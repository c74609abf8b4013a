#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"
#include "protocol/Frame.h"
#include "protocol/Request.h"

// Header fields of a reply frame.
struct ReplyHeader {
    int kind = 0;
    int slot = 0;
    int section = 0;
    int channel = 0; // channel index, or the global command code in section 3
    int parameter = 0;
    int length = 0;
};

// The header of a frame that passed CheckFrame.
ReplyHeader ReadReplyHeader(std::span<const std::uint8_t> frame);
// The payload of such a frame (the length byte's count of bytes after the header).
std::span<const std::uint8_t> ReplyPayload(std::span<const std::uint8_t> frame);

// What a decoded reply calls for: the link turns it into the notification of the same name.
enum class ReplyEvent {
    None,
    ProgramReceived,        // the live output 7 block; parameter 0
    StoredProgramReceived,  // the stored output 7 block; parameter = program slot
    GlobalsReceived,        // the temperature reply; parameter 0x16
    IdentificationReceived, // parameter 0x19
    MetersReceived,         // parameter 0
    ProbeAnswered,          // the connect probe's answer; parameter 1 when the type matches
    SearchFinished,         // the search's answer from ID 250; parameter 0
    ProgramNameReceived,    // a program name of slot 0..30; parameter = the slot
};

struct DecodedReply {
    ReplyEvent event = ReplyEvent::None;
    int parameter = 0;
    // A channel block's length warning; shown only once the reply has completed its request.
    const char* warning = nullptr;
};

// Turns the unit's checked data replies into values and keeps them: the reception store. Every
// value is limited to its range on the way in (the channel field tables give the ranges), so that
// nothing a unit sends can put a record out of range.
class ReplyDecoder {
public:
    static constexpr int kMeterCount = 12; // inputs A..D, then outputs 1..8
    static constexpr int kInputBlockLength = 96;
    static constexpr int kOutputBlockLength = 80;
    static constexpr int kStoredProgramMode = kParameterStoredBlock; // parameter of a stored block

    static constexpr const char* kInputLengthErrorText = "输入数据长度错误";
    static constexpr const char* kOutputLengthErrorText = "接收输出数据长度错误";

    ReplyDecoder();
    ReplyDecoder(const ReplyDecoder&) = delete;
    ReplyDecoder& operator=(const ReplyDecoder&) = delete;

    // Device type 1 (4x8), 2 (3x6) or 3 (2x4): selects the decoding limits and the type a probe
    // answer must report; also the received program's type. Other values are refused (false).
    bool SetDeviceType(int type);
    int DeviceType() const { return deviceType_; }

    // Decodes a data reply (kind 0x53) by its section: 1 an input block, 2 an output block, 3 a
    // global reply. `head` is the request at the head of the send queue (nullptr when the queue
    // is empty): a device-ID probe answer is read against it, and ignored without one. Returns
    // nothing for any other section: the reply is not taken in.
    std::optional<DecodedReply> Decode(const ReplyHeader& header,
                                       std::span<const std::uint8_t> payload, const Request* head);

    // ---- Reception store ---------------------------------------------------------------
    // The live-settings blocks and the global replies are decoded into the received program,
    // through its setters.
    ProgramContainer& ReceivedProgram() { return received_; }
    const ProgramContainer& ReceivedProgram() const { return received_; }
    // Stored-program blocks (memories 1..30) are decoded into the received image.
    const ProgramImage& ReceivedImage() const { return receivedImage_; }
    // Program name of slot 0..30 as the unit reported it ("" for other slots).
    const std::string& ProgramName(int slot) const;
    int SourceByte() const { return sourceByte_; }
    // Meter level 0..11 (inputs 0..3, outputs 4..11); 0 for other indexes.
    int MeterLevel(int index) const;
    const std::string& VersionText() const { return versionText_; }
    const std::string& TypeCode() const { return typeCode_; }
    // Device type reported by the latest answer to a probe (0 before the first).
    int ProbedDeviceType() const { return probedDeviceType_; }

    // Device-ID table, entries 1..250: an entry holds its own ID while a unit with that ID is
    // known, else 0. Every ID is known at first.
    int DeviceIdEntry(int id) const;
    void SetDeviceIdKnown(int id, bool known);
    // The known IDs in ascending order.
    std::vector<int> KnownDeviceIds() const;

private:
    DecodedReply DecodeInputBlock(const ReplyHeader& header, std::span<const std::uint8_t> p);
    DecodedReply DecodeOutputBlock(const ReplyHeader& header, std::span<const std::uint8_t> p);
    DecodedReply DecodeGlobal(const ReplyHeader& header, std::span<const std::uint8_t> p,
                              const Request* head);
    DecodedReply DecodeProbeAnswer(std::span<const std::uint8_t> p, const Request* head);

    int deviceType_ = 1;
    ProgramContainer received_;
    ProgramImage receivedImage_;
    std::array<std::string, kProgramSlotCount> programNames_;
    int sourceByte_ = 0;
    std::array<int, kMeterCount> meters_{};
    std::string versionText_;
    std::string typeCode_;
    int probedDeviceType_ = 0;
    std::array<std::uint8_t, kLastDeviceId + 1> deviceIds_{}; // index 0 unused
};
