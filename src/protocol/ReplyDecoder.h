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
#include "protocol/ChannelBlocks.h"
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

// True when the reply is the one `request` (a whole request frame) asks for: an acknowledgement
// for a write, a data reply for a read, with the request's section, channel or command code and
// program slot; a channel block answers a block read only in the same mode (live settings or
// stored program). Only such a reply may complete the request: a late duplicate, an answer for
// another channel or slot, or an acknowledgement where data was due must not count as it.
bool ReplyAnswers(const ReplyHeader& reply, std::span<const std::uint8_t> request);

// True for the data replies that are taken in even when they answer no request on the line:
// meter levels, device-ID probe answers and the unit's identification. None of them can overwrite
// data of a running transfer; every other unrequested reply is dropped.
bool IsTakenInUnrequested(const ReplyHeader& reply);

// What a decoded reply calls for: the link turns it into the notification of the same name.
enum class ReplyEvent {
    None,
    ProgramReceived,         // the live output 7 block; parameter 0
    StoredProgramReceived,   // the stored output 7 block; parameter = program slot
    GlobalsReceived,         // the temperature reply; parameter 0x16
    IdentificationReceived,  // parameter 0x19
    MetersReceived,          // parameter 0
    ProbeAnswered,           // the connect probe's answer; parameter 1 when the type matches
    SearchFinished,          // the search's answer from ID 250; parameter 0
    ProgramNameReceived,     // a program name of slot 0..30; parameter = the slot
    ProgramIncomplete,       // the live output 7 block came, but not every block of its program
                             // in this transfer; parameter = the slot read
    StoredProgramIncomplete, // the same for a stored program; parameter = the slot
    ChannelsReceived,        // the last of some live blocks asked for, all of them in;
                             // parameter = the blocks (ChannelBlocks)
    UnitSettingReceived,     // interface lines, backlight or input source in the reception
                             // store; parameter = the global code
};

struct DecodedReply {
    ReplyEvent event = ReplyEvent::None;
    int parameter = 0;
    // A channel block's length warning.
    const char* warning = nullptr;
    // A channel block of the wrong length: nothing was taken in, and the reply does not answer
    // its request (which is repeated as for a lost reply).
    bool rejected = false;
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
    // global reply. `answered` is the request the reply answers (ReplyAnswers), nullptr when it
    // answers none: a device-ID probe answer is then only recorded in the device-ID table.
    // Returns nothing for any other section: the reply is not taken in.
    std::optional<DecodedReply> Decode(const ReplyHeader& header,
                                       std::span<const std::uint8_t> payload,
                                       const Request* answered);

    // Starts a new program transfer: blocks received before no longer count towards a complete
    // program. A live or stored program is announced only when all twelve of its blocks for its
    // slot have arrived since (and since the last program was announced). A transfer of the live
    // settings may ask for some blocks only (`liveBlocks`): once the last of them in reading
    // order has arrived, they are announced as ChannelsReceived when every one came, and as an
    // incomplete program otherwise; then the next transfer asks for all twelve again.
    void ForgetReceivedBlocks(ChannelBlocks liveBlocks = kAllChannelBlocks);
    // The blocks missing from the program last found incomplete.
    ChannelBlocks MissingBlocks() const { return missingBlocks_; }

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

    // The blocks of one program received in the current transfer.
    struct BlockCollection {
        int slot = -1;
        ChannelBlocks received = 0;
        ChannelBlocks expected = kAllChannelBlocks;
    };
    // Counts a block of `slot` in; a block of another slot starts the collection afresh.
    static void CountBlock(BlockCollection& blocks, int slot, ChannelBlocks block);
    // Whether `block` is the last one the collection expects.
    static bool EndsCollection(const BlockCollection& blocks, ChannelBlocks block);
    // After the last block: whether every block expected came; starts afresh either way.
    bool TakeWhole(BlockCollection& blocks);
    // What the live block `block` calls for once counted in.
    DecodedReply AfterLiveBlock(int slot, ChannelBlocks block);

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
    BlockCollection liveBlocks_;
    BlockCollection storedBlocks_;
    ChannelBlocks missingBlocks_ = 0;
};
