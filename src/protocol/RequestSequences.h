#pragma once

#include <array>
#include <optional>
#include <vector>

#include "model/DeviceModel.h"
#include "model/ProgramImage.h"
#include "protocol/ChannelBlocks.h"
#include "protocol/Request.h"

class ProgramContainer;

// The fixed request sequences of the connection and program operations. Each returns the frames
// in the order they are to be queued, with the batch flags set: every frame of a batch is marked
// in-batch and the last one ends it (a read or a write batch). The caller queues them only while
// the connection is open; nothing here looks at the connection.

// What a connect reads after the probe, which is always sent: it checks the unit's type. The
// application reads everything it shows; a client that runs one command (tavrel-cli) reads only
// what that command uses, since every read costs at least one 100 ms tick.
struct ConnectReads {
    std::vector<int> programNames; // slots (0..30) whose names are read, in this order
    // Global codes of the unit settings read: 0x10 interface lines, 0x14 backlight, 0x01 input
    // source, 0x16 temperature. They are read in that order, whatever the order here.
    std::vector<int> unitSettings{};
    // Channels whose live settings are read after these, block by block (the unit controller
    // queues them as one batch; QueueConnectReads leaves them out).
    ChannelBlocks liveChannels = 0;

    // The application's: the 31 program names (slots 0..30) and every unit setting.
    static ConnectReads Everything();
};

// After a port is opened or the unit is re-addressed: the probe of the container's deviceId
// (marked as the connect probe), the program names `reads` asks for, then the global reads of
// the unit settings it asks for (0x10, 0x14, 0x01 and 0x16 for all of them). No batch.
std::vector<Request> QueueConnectReads(const ProgramContainer& data,
                                       const ConnectReads& reads = ConnectReads::Everything());

// Reads the 12 channel blocks of a slot (0 = the live settings): inputs 0..3, outputs 0..7.
// One read batch ending with output 7.
std::vector<Request> ReadProgramFromDevice(const ProgramContainer& data, int slot);

// Reads the live settings' blocks of the channels in `blocks`, in the order of their bits: one
// read batch ending with the last of them. Nothing for an empty set.
std::vector<Request> ReadChannelsFromDevice(const ProgramContainer& data, ChannelBlocks blocks);

// Stores the container as program `slot` (1..30): the program name, then the 8 output blocks and
// the 4 input blocks as one write batch ending with input 3.
// Slot 0 (the live settings) first mutes inputs A and B with level frames while the outputs are
// written, then restores their on flags in the records (raising their main flags, so the scan
// sends their levels again) before the input blocks. That form changes the container. The mute
// frames and the blocks of inputs A and B, which give them their own on/off again, are marked
// (Request::mutesInput, unmutesInput).
std::vector<Request> StoreProgramToDevice(ProgramContainer& data, int slot);

// Sends a whole program bank to the unit's memories 1..30: each image is loaded into a scratch
// container of the given model that carries `deviceId`, and its name, 8 output blocks and 4 input
// blocks are produced. All 360 blocks form one write batch ending with input 3 of slot 30. The
// view shows image i's name in its program name list (the image's own name).
std::vector<Request>
WriteAllProgramsToDevice(int deviceType, int deviceId,
                         const std::array<ProgramImage, kProgramMemoryCount>& bank);

// Reads every stored program for backup: for slots 1..30 the 4 input and 8 output blocks with the
// backup marker. One read batch ending with output 7 of slot 30.
std::vector<Request> ReadAllProgramsFromDevice(const ProgramContainer& data);

// The frame the view operation SendGlobalSetting queues for a global code: 0 program name
// (slot 0), 1 global settings, 16 line set B, 17 line set A, 18 short tag, 20 backlight,
// 22 temperature. Any other code: nothing.
std::optional<Request> GlobalSettingFrame(const ProgramContainer& data, int code);
