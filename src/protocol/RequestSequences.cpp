#include "protocol/RequestSequences.h"

#include <algorithm>

#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

namespace {

// Global codes read after connecting, in this order: interface lines, backlight, input source,
// temperature.
constexpr std::array<int, 4> kConnectGlobalReads{kGlobalLineSetB, kGlobalBacklight, kGlobalSettings,
                                                 kGlobalTemperature};

constexpr int kLiveBlockRead = 0;
constexpr int kBackupBlockRead = kParameterStoredBlock;

enum class BatchKind { Read, Write };

// Marks a frame as part of a batch.
void AddToBatch(std::vector<Request>& frames, Request frame) {
    frame.inBatch = true;
    frames.push_back(std::move(frame));
}

// Marks the last queued frame as the one that ends the batch.
void EndBatch(std::vector<Request>& frames, BatchKind kind) {
    if (frames.empty())
        return;
    Request& last = frames.back();
    last.inBatch = true;
    (kind == BatchKind::Read ? last.endsReadBatch : last.endsWriteBatch) = true;
}

void AppendBlockReads(std::vector<Request>& frames, const ProgramContainer& data, int slot,
                      int mode) {
    const RequestFrames build(data);
    for (int i = 0; i < data.inputCount(); ++i)
        AddToBatch(frames, build.blockReadFrame(slot, kSectionInput, i, mode));
    for (int o = 0; o < data.outputCount(); ++o)
        AddToBatch(frames, build.blockReadFrame(slot, kSectionOutput, o, mode));
}

void AppendOutputBlocks(std::vector<Request>& frames, const ProgramContainer& data, int slot) {
    const RequestFrames build(data);
    for (int o = 0; o < data.outputCount(); ++o)
        AddToBatch(frames, build.outputBlockFrame(slot, o));
}

void AppendInputBlocks(std::vector<Request>& frames, const ProgramContainer& data, int slot) {
    const RequestFrames build(data);
    for (int i = 0; i < data.inputCount(); ++i)
        AddToBatch(frames, build.inputBlockFrame(slot, i));
}

// Inputs A and B are muted while the outputs of the live settings are rewritten.
constexpr int kMutedInputsDuringLiveStore = 2;

} // namespace

ConnectReads ConnectReads::Everything() {
    ConnectReads reads;
    for (int slot = 0; slot <= kLastProgramSlot; ++slot)
        reads.programNames.push_back(slot);
    reads.unitSettings.assign(kConnectGlobalReads.begin(), kConnectGlobalReads.end());
    return reads;
}

std::vector<Request> QueueConnectReads(const ProgramContainer& data, const ConnectReads& reads) {
    const RequestFrames build(data);
    std::vector<Request> frames;
    Request probe = build.deviceIdFrame(data.deviceId(), true);
    probe.connectProbe = true;
    frames.push_back(std::move(probe));
    for (int slot : reads.programNames) {
        if (slot >= 0 && slot <= kLastProgramSlot)
            frames.push_back(build.globalReadFrame(kGlobalProgramName, slot));
    }
    for (int code : kConnectGlobalReads) {
        if (std::ranges::find(reads.unitSettings, code) != reads.unitSettings.end())
            frames.push_back(build.globalReadFrame(code, 0));
    }
    return frames;
}

std::vector<Request> ReadProgramFromDevice(const ProgramContainer& data, int slot) {
    std::vector<Request> frames;
    AppendBlockReads(frames, data, slot, kLiveBlockRead);
    EndBatch(frames, BatchKind::Read);
    return frames;
}

std::vector<Request> ReadChannelsFromDevice(const ProgramContainer& data, ChannelBlocks blocks) {
    const RequestFrames build(data);
    std::vector<Request> frames;
    for (int i = 0; i < ProgramImage::kInputCount; ++i) {
        if (blocks & InputBlockBit(i))
            AddToBatch(frames, build.blockReadFrame(0, kSectionInput, i, kLiveBlockRead));
    }
    for (int o = 0; o < ProgramImage::kOutputCount; ++o) {
        if (blocks & OutputBlockBit(o))
            AddToBatch(frames, build.blockReadFrame(0, kSectionOutput, o, kLiveBlockRead));
    }
    EndBatch(frames, BatchKind::Read);
    return frames;
}

std::vector<Request> StoreProgramToDevice(ProgramContainer& data, int slot) {
    std::vector<Request> frames;
    frames.push_back(RequestFrames(data).programNameFrame(slot));
    if (slot != 0) {
        AppendOutputBlocks(frames, data, slot);
        AppendInputBlocks(frames, data, slot);
        EndBatch(frames, BatchKind::Write);
        return frames;
    }
    std::array<int, kMutedInputsDuringLiveStore> remembered{};
    for (int i = 0; i < kMutedInputsDuringLiveStore; ++i) {
        InputChannel& in = data.input(i);
        remembered[static_cast<std::size_t>(i)] = in.on();
        in.setOn(0);
        Request mute = RequestFrames(data).inputLevelFrame(i);
        mute.mutesInput = i;
        frames.push_back(std::move(mute));
    }
    AppendOutputBlocks(frames, data, 0);
    // Restoring through the setter raises the main flags, so the scan resends both levels.
    for (int i = 0; i < kMutedInputsDuringLiveStore; ++i)
        data.input(i).setOn(remembered[static_cast<std::size_t>(i)]);
    const std::size_t firstInputBlock = frames.size();
    AppendInputBlocks(frames, data, 0);
    for (int i = 0; i < kMutedInputsDuringLiveStore; ++i)
        frames[firstInputBlock + static_cast<std::size_t>(i)].unmutesInput = i;
    EndBatch(frames, BatchKind::Write);
    return frames;
}

std::vector<Request>
WriteAllProgramsToDevice(int deviceType, int deviceId,
                         const std::array<ProgramImage, kProgramMemoryCount>& bank) {
    std::vector<Request> frames;
    ProgramContainer scratch;
    scratch.setDeviceType(deviceType);
    scratch.setDeviceId(deviceId);
    for (int slot = 1; slot <= kProgramMemoryCount; ++slot) {
        scratch.loadProgramImage(bank[static_cast<std::size_t>(slot - 1)]);
        frames.push_back(RequestFrames(scratch).programNameFrame(slot));
        AppendOutputBlocks(frames, scratch, slot);
        AppendInputBlocks(frames, scratch, slot);
    }
    EndBatch(frames, BatchKind::Write);
    return frames;
}

std::vector<Request> ReadAllProgramsFromDevice(const ProgramContainer& data) {
    std::vector<Request> frames;
    for (int slot = 1; slot <= kProgramMemoryCount; ++slot)
        AppendBlockReads(frames, data, slot, kBackupBlockRead);
    EndBatch(frames, BatchKind::Read);
    return frames;
}

std::optional<Request> GlobalSettingFrame(const ProgramContainer& data, int code) {
    const RequestFrames build(data);
    switch (code) {
    case kGlobalProgramName:
        return build.programNameFrame(0);
    case kGlobalSettings:
        return build.globalSettingsFrame();
    case kGlobalLineSetB:
        return build.lineSetBFrame();
    case kGlobalLineSetA:
        return build.lineSetAFrame();
    case kGlobalShortTag:
        return build.shortTagFrame();
    case kGlobalBacklight:
        return build.backlightFrame();
    case kGlobalTemperature:
        return build.temperatureFrame();
    default:
        return std::nullopt;
    }
}
