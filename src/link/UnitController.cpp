#include "link/UnitController.h"

#include "link/MessageSink.h"
#include "model/ProgramContainer.h"
#include "model/ValueLimits.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"
#include "protocol/RequestSequences.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// " Inputs A and B were muted ...": what a cut-off store of the live settings left behind, as a
// sentence to add to the message; empty when it left nothing muted.
std::string MutedInputsText(const std::vector<int>& inputs) {
    if (inputs.empty())
        return {};
    std::string names;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        names += std::string(i == 0                   ? ""
                             : i + 1 == inputs.size() ? " and "
                                                      : ", ") +
                 static_cast<char>('A' + inputs[i]);
    const bool one = inputs.size() == 1;
    return std::string(one ? " Input " : " Inputs ") + names + (one ? " was" : " were") +
           " muted while the outputs were written and may still be muted: switch " +
           (one ? "it" : "them") + " on again once the unit answers.";
}

// "input A", "output 3" and so on, joined as a sentence lists them.
std::string BlockList(ChannelBlocks missing) {
    std::vector<std::string> names;
    for (int i = 0; i < ProgramImage::kInputCount; ++i)
        if (missing & InputBlockBit(i))
            names.push_back(std::string("input ") + static_cast<char>('A' + i));
    for (int o = 0; o < ProgramImage::kOutputCount; ++o)
        if (missing & OutputBlockBit(o))
            names.push_back("output " + std::to_string(o + 1));
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

} // namespace

UnitController::UnitController(int deviceType, ProgramContainer& data, ProgramBank& bank,
                               IUnitView& view, IMessageSink* messages, std::unique_ptr<IPort> port)
    : m_model(&DeviceModelOf(deviceType)), m_data(&data), m_bank(&bank), m_view(view),
      m_messages(messages), m_command(std::move(port)),
      m_search(m_command, view, [this] { Disconnect(); }) {
    m_command.SetMessageSink(messages);
    // The 4x8 keeps the container's and the engine's default type 1.
    if (m_model->deviceType != 1) {
        m_data->setDeviceType(m_model->deviceType);
        m_command.SetDeviceType(m_model->deviceType);
    }
}

UnitController::~UnitController() {
    // Quietly: the owner may be half destroyed. Closing joins the port's listener, so the
    // forwarder is not called any more.
    m_command.ClosePort();
    m_command.SetSearchWindow(nullptr);
}

void UnitController::SetLineEventForwarder(LineEventHandler forwarder) {
    m_forwarder = std::move(forwarder);
}

const std::string& UnitController::ProgramName(int n) const {
    static const std::string empty;
    if (n < 0 || n >= kProgramSlotCount)
        return empty;
    return m_programNames[static_cast<std::size_t>(n)];
}

void UnitController::SetProgramName(int n, std::string_view name) {
    if (n >= 1 && n <= kLastProgramSlot)
        m_programNames[static_cast<std::size_t>(n)] = name;
}

bool UnitController::IsSettled() const {
    // A raised flag is an edit still to be sent (or a crossover still on its way).
    if (!m_connected || m_busy || m_data->hasPendingChanges())
        return false;
    // An idle connection has a meter poll on its way; anything else is still pending.
    const RequestQueue& queue = m_command.Queue();
    for (int i = 0; i < queue.Count(); ++i) {
        if (!IsMeterPollRequest(*queue.At(i)))
            return false;
    }
    return true;
}

// ---- Connection ------------------------------------------------------------------------------

bool UnitController::Connect(const std::string& portName, int deviceId, bool readLiveProgram,
                             const ConnectReads& reads) {
    Disconnect();
    m_view.CloseAllEditors();
    m_portName = portName;
    if (!OpenConnection(portName))
        return false;
    m_view.CloseAllEditors();
    m_deviceId = deviceId;
    m_data->setDeviceId(deviceId);
    m_view.OnConnectionBoxesChanged(m_deviceId, m_portName);
    m_view.OnUnitAddressed(readLiveProgram);
    m_data->clearChangeFlags();
    QueueConnectReads(reads);
    SetTickRunning(true);
    if (readLiveProgram)
        ReadProgramFromDevice(0);
    else
        ReadChannelsFromDevice(reads.liveChannels);
    return true;
}

bool UnitController::OpenConnection(const std::string& portName) {
    // A search would otherwise keep ticking on the port the connection takes over.
    m_search.End();
    LineEventHandler forwarder = m_forwarder ? m_forwarder : [](std::uint32_t) {};
    if (!m_command.OpenPort(portName, this, std::move(forwarder)).opened)
        return false;
    m_portName = portName;
    m_connected = true;
    m_leftMuted.clear();
    m_heardUnit = false;
    SetBusy(false);
    m_view.OnConnectionChanged(true);
    return true;
}

bool UnitController::Disconnect() {
    if (!m_connected || !m_command.IsPortOpen())
        return false;
    m_command.ClosePort();
    m_connected = false;
    // A transfer cut short: nothing more of it is taken (a store's name stays as it was).
    m_transfer.End();
    m_command.ClearQueue();
    m_idCheck = 0;        // its probe went with the queue
    m_mutedForStore = {}; // ... and so did any store
    SetBusy(false);
    SetTickRunning(false);
    m_view.OnConnectionChanged(false);
    return true;
}

void UnitController::StopSending() {
    if (!m_connected)
        return;
    const std::vector<int> muted = InputsMutedForStore();
    m_command.DropWaiting();
    m_data->clearChangeFlags();
    if (m_idCheck != 0 && !IdCheckQueued())
        m_idCheck = 0; // its probe was dropped unsent: nothing was learnt
    std::vector<Request> frames;
    for (int input : muted) {
        // The records hold the input's own on/off again (the store restored it).
        Request level = RequestFrames(*m_data).inputLevelFrame(input);
        level.unmutesInput = input;
        frames.push_back(std::move(level));
    }
    QueueDirect(std::move(frames));
    SetBusy(false);
}

std::vector<int> UnitController::InputsMutedForStore() const {
    std::vector<int> muted;
    const RequestQueue& queue = m_command.Queue();
    for (int input = 0; input < m_model->inputs; ++input) {
        if (!m_mutedForStore[static_cast<std::size_t>(input)] || m_data->input(input).on() == 0)
            continue;
        for (int i = 0; i < queue.Count(); ++i) {
            if (queue.At(i)->unmutesInput == input) {
                muted.push_back(input);
                break;
            }
        }
    }
    return muted;
}

bool UnitController::ChangeDeviceId(int newId) {
    if (!m_connected || !IsDeviceId(newId) || newId == m_deviceId || m_idCheck != 0)
        return false;
    // The search's probe frame, addressed to the new ID: any unit that answers it has that ID.
    Request probe = RequestFrames(*m_data).deviceIdFrame(newId, true);
    probe.idCheckProbe = true;
    std::vector<Request> frames;
    frames.push_back(std::move(probe));
    QueueDirect(std::move(frames));
    m_idCheck = newId;
    return true;
}

bool UnitController::IdCheckQueued() const {
    const RequestQueue& queue = m_command.Queue();
    for (int i = 0; i < queue.Count(); ++i) {
        const Request* frame = queue.At(i);
        if (frame->idCheckProbe && frame->probedId == m_idCheck)
            return true;
    }
    return false;
}

void UnitController::EndIdCheck(bool answered) {
    const int newId = std::exchange(m_idCheck, 0);
    if (newId == 0)
        return;
    if (!answered) {
        ApplyDeviceIdChange(newId);
        return;
    }
    const std::string id = std::to_string(newId);
    Show("Device ID " + id + " is taken: a unit with ID " + id +
             " already answers on this line. The unit with ID " + std::to_string(m_deviceId) +
             " keeps its ID.",
         MessageKind::Warning);
}

void UnitController::ApplyDeviceIdChange(int newId) {
    m_command.Replies().SetDeviceIdKnown(newId, true);
    m_command.Replies().SetDeviceIdKnown(m_deviceId, false);
    // Built while the container still carries the old ID: the unit is addressed by it.
    std::vector<Request> frames;
    frames.push_back(RequestFrames(*m_data).deviceIdFrame(newId, false));
    QueueDirect(std::move(frames));
    m_deviceId = newId;
    m_data->setDeviceId(newId);
    m_view.OnConnectionBoxesChanged(m_deviceId, m_portName);
}

void UnitController::SwitchToDevice(int id) {
    if (!m_connected || !IsDeviceId(id) || id == m_deviceId)
        return;
    m_view.CloseAllEditors();
    // A renumbering still being checked was meant for the unit left behind.
    m_idCheck = 0;
    m_heardUnit = false;
    m_deviceId = id;
    m_data->setDeviceId(id);
    m_view.OnConnectionBoxesChanged(m_deviceId, m_portName);
    m_view.OnUnitAddressed(true);
    m_data->clearChangeFlags();
    QueueConnectReads();
    ReadProgramFromDevice(0);
}

bool UnitController::StartSearch(const std::string& portName, int first, int last,
                                 int silentRetries) {
    if (m_connected)
        return false;
    first = std::clamp(first, kFirstDeviceId, kLastDeviceId);
    last = std::clamp(last, first, kLastDeviceId);
    m_search.End();
    LineEventHandler forwarder = m_forwarder ? m_forwarder : [](std::uint32_t) {};
    const bool opened = m_command.OpenPort(portName, this, std::move(forwarder)).opened;
    m_search.Begin(*m_data, first, last, std::max(silentRetries, 0));
    return opened;
}

// ---- Time and the line -----------------------------------------------------------------------

void UnitController::Tick() {
    if (!m_tickRunning)
        return;
    // A false start on the line holds bytes that may contain the reply the head waits for.
    if (const ReceiveOutcome outcome = m_command.ExpireReceive(); outcome != ReceiveOutcome::NoData)
        AfterReceive(outcome);
    if (!m_tickRunning)
        return;
    if (m_command.QueueCount() < 2) {
        // The scan always returns a frame: the first pending change, else the meter poll.
        Request frame = NextPendingRequest(*m_data);
        // A meter poll goes only into an empty queue, where it leaves on this tick. Queued behind
        // a request still waiting for its answer, it would sit ahead of the next edit, and every
        // edit would leave one tick late from then on (each tick adds one poll, each answer
        // takes one away).
        if (!IsMeterPollRequest(frame) || m_command.QueueCount() == 0)
            m_command.QueueFrame(std::move(frame));
    }
    if (m_transfer.IsActive())
        m_transfer.CountTick();
    ServiceHead();
}

void UnitController::ServiceHead() {
    Request* head = m_command.HeadFrame();
    if (!head)
        return;
    if (head->firstSendPending) {
        // Once a store's mute has gone out, the unit may hold it.
        if (head->mutesInput >= 0 && head->mutesInput < kInputCount)
            m_mutedForStore[static_cast<std::size_t>(head->mutesInput)] = true;
        m_command.TransmitHead();
        head->firstSendPending = false;
        // The busy display ends when the batch's last frame has gone out, not when it is
        // answered.
        if (head->inBatch && head->endsBatch())
            SetBusy(false);
        return;
    }
    ++head->waitedTicks;
    if (head->idCheckProbe) {
        // Silence is the expected answer here: no unit has the ID.
        if (head->waitedTicks == kIdCheckRepeatTicks) {
            m_command.TransmitHead();
        } else if (head->waitedTicks > kIdCheckTicks) {
            const bool mine = head->probedId == m_idCheck;
            m_command.CompleteHead();
            if (mine)
                EndIdCheck(false);
        }
        return;
    }
    if (head->waitedTicks == kRepeatTicks) {
        m_command.TransmitHead();
    } else if (head->waitedTicks > kAbandonTicks) {
        FailConnection(NoAnswerMessage());
    }
}

void UnitController::OnLineEvent(std::uint32_t eventAndErrorBits) {
    const std::uint32_t events = eventAndErrorBits & 0xFFFFu;
    const std::uint32_t errors = eventAndErrorBits >> 16;
    // Bytes that came before a hang-up may still hold an answer: take them first.
    AfterReceive((events & kEventBytesReceived) ? m_command.ReceiveBytes()
                                                : ReceiveOutcome::NoData);
    if (errors & kErrorHangUp) {
        if (m_search.IsRunning())
            m_search.End();
        else
            FailConnection(LineLostMessage());
    }
}

void UnitController::AfterReceive(ReceiveOutcome outcome) {
    if (outcome == ReceiveOutcome::Acknowledged || outcome == ReceiveOutcome::DataDecoded ||
        outcome == ReceiveOutcome::RejectedBlock)
        m_heardUnit = true;
    FollowTransfer();
    DeliverPosted();
    // The ID probe left the queue without timing out: a unit answered to the new ID.
    if (m_idCheck != 0 && !IdCheckQueued())
        EndIdCheck(true);
}

std::string UnitController::NoAnswerMessage() const {
    const std::string id = std::to_string(m_deviceId);
    const std::string unit = "The unit with ID " + id + " on " + m_portName;
    const std::string detail =
        m_command.HeadGotAWrongBlock() ? unit + " answered with channel blocks of the wrong length."
        : m_heardUnit
            ? unit + " stopped answering."
            : "The port " + m_portName + " opened, but no unit with ID " + id + " answered.";
    return std::string(kNoAnswerText) + "\n\n" + detail;
}

std::string UnitController::LineLostMessage() const {
    // A network port knows why its connection ended; a serial line only that it hung up.
    const std::string reason = m_command.PortErrorText();
    return std::string(kNoAnswerText) + "\n\nThe line on " + m_portName + " was lost: " +
           (reason.empty() ? "the port was closed or the adapter unplugged" : reason) + ".";
}

std::string UnitController::TypeErrorMessage(int reportedType) const {
    const std::string unit = "The unit with ID " + std::to_string(m_deviceId);
    const std::string expected = "; a " + std::string(m_model->label) + " was expected.";
    const DeviceModel* found = FindDeviceModel(reportedType);
    const std::string detail =
        found ? unit + " is a " + std::string(found->label) + expected
              : unit + " reports device type " + std::to_string(reportedType) + expected;
    return std::string(kProbeTypeErrorText) + "\n\n" + detail;
}

void UnitController::FailConnection(const std::string& text) {
    // What became of a transfer the failure cut short, while the queue still tells it.
    const std::string note = m_connected ? TransferFailureNote() : std::string();
    // Only a connection that was open is reported; a hang-up seen after a disconnect is not.
    // What a store cut off in the middle left muted is named, as nothing can undo it now.
    std::vector<int> muted = InputsMutedForStore();
    if (!Disconnect())
        return;
    m_leftMuted = std::move(muted);
    const std::string message = text + MutedInputsText(m_leftMuted);
    Show(note.empty() ? message : message + "\n\n" + note);
}

// ---- Operations of the main view -------------------------------------------------------------

void UnitController::SendGlobalSetting(int code) {
    if (!m_connected)
        return;
    if (auto frame = GlobalSettingFrame(*m_data, code)) {
        std::vector<Request> frames;
        frames.push_back(std::move(*frame));
        QueueDirect(std::move(frames));
    }
}

void UnitController::SetInputSource(int source, bool send) {
    if (!m_model->hasInputSource)
        return;
    m_data->setInputSource(std::clamp(source, 0, 1));
    if (send && m_connected) {
        std::vector<Request> frames;
        frames.push_back(RequestFrames(*m_data).sourceFrame());
        QueueDirect(std::move(frames));
    }
    m_view.OnInputSourceChanged(m_data->inputSource(), send);
}

void UnitController::CopyChannel(int from, int to, bool output) {
    const int count = output ? m_model->outputs : m_model->inputs;
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    std::vector<Request> frames;
    if (output) {
        m_data->output(to).copyFrom(m_data->output(from));
        m_data->output(to).recomputeCurve();
        frames.push_back(RequestFrames(*m_data).outputBlockFrame(0, to));
    } else {
        m_data->input(to).copyFrom(m_data->input(from));
        m_data->input(to).recomputeCurve();
        frames.push_back(RequestFrames(*m_data).inputBlockFrame(0, to));
    }
    if (m_connected)
        QueueDirect(std::move(frames));
    m_view.OnChannelCopied(output, to);
}

void UnitController::ReadProgramFromDevice(int slot) {
    if (!m_connected || slot < 0 || slot > kLastProgramSlot)
        return;
    m_command.Replies().ForgetReceivedBlocks();
    StartBatch(::ReadProgramFromDevice(*m_data, slot), TransferKind::ReadProgram, slot);
}

void UnitController::ReadChannelsFromDevice(ChannelBlocks blocks) {
    blocks &= ModelChannelBlocks(m_model->inputs, m_model->outputs);
    if (!m_connected || blocks == 0)
        return;
    m_command.Replies().ForgetReceivedBlocks(blocks);
    StartBatch(::ReadChannelsFromDevice(*m_data, blocks), TransferKind::ReadProgram, 0);
}

void UnitController::StoreProgramToDevice(int slot) {
    StoreProgramToDevice(slot, m_data->programName());
}

void UnitController::StoreProgramToDevice(int slot, std::string_view name) {
    if (!m_connected || slot < 0 || slot > kLastProgramSlot)
        return;
    m_mutedForStore = {};
    // The frames carry the new name; the container keeps its own until the unit has taken it.
    const std::string before = m_data->programName();
    m_data->setProgramName(name);
    std::vector<Request> frames = ::StoreProgramToDevice(*m_data, slot);
    m_data->setProgramName(before);
    m_storedName = name;
    StartBatch(std::move(frames), TransferKind::StoreProgram, slot);
}

void UnitController::ReadAllProgramsFromDevice() {
    if (!m_connected)
        return;
    m_command.Replies().ForgetReceivedBlocks();
    StartBatch(::ReadAllProgramsFromDevice(*m_data), TransferKind::ReadAllPrograms, 0);
}

void UnitController::WriteAllProgramsToDevice(const ProgramBank& bank) {
    if (!m_connected)
        return;
    m_writtenNames.clear();
    for (const ProgramImage& image : bank)
        m_writtenNames.push_back(image.name);
    StartBatch(::WriteAllProgramsToDevice(m_model->deviceType, m_deviceId, bank),
               TransferKind::WriteAllPrograms, 0);
}

bool UnitController::StopTransfer() {
    if (!m_transfer.IsActive() || !m_transfer.Progress().CanStop())
        return false;
    m_transfer.RequestStop();
    const int dropped = m_command.DropBatchFramesIf(
        [this](const Request& frame) { return m_transfer.DroppedByStop(frame); });
    m_transfer.Dropped(dropped);
    // The busy display ends with the batch's last frame on the line: that may have gone out
    // already, or nothing of the batch may be left.
    bool pending = false;
    const RequestQueue& queue = m_command.Queue();
    for (int i = 0; i < queue.Count(); ++i) {
        const Request& frame = *queue.At(i);
        if (frame.inBatch)
            pending = frame.firstSendPending;
    }
    if (!pending)
        SetBusy(false);
    FollowTransfer();
    return true;
}

void UnitController::FollowTransfer() {
    if (!m_transfer.IsActive())
        return;
    const bool complete = m_transfer.Update(m_command.Queue());
    // Each memory of a bank write enters the name list as soon as the unit has taken it.
    if (m_transfer.Kind() == TransferKind::WriteAllPrograms) {
        const std::vector<int> written = m_transfer.TakeNewlyCompletedMemories();
        for (int memory : written) {
            if (memory >= 1 && static_cast<std::size_t>(memory) <= m_writtenNames.size())
                m_programNames[static_cast<std::size_t>(memory)] =
                    m_writtenNames[static_cast<std::size_t>(memory - 1)];
        }
        if (!written.empty())
            m_view.OnProgramNamesChanged();
    }
    if (complete)
        FinishTransfer();
}

namespace {

// "memory 5 was", "memories 1 to 12 were": memories and the verb that follows them.
std::string MemoriesWere(const std::vector<int>& memories) {
    return memories.size() == 1 ? "memory " + MemoryRangesText(memories) + " was"
                                : "memories " + MemoryRangesText(memories) + " were";
}

} // namespace

void UnitController::FinishTransfer() {
    const std::vector<int> done = m_transfer.MemoriesDone();
    const std::vector<int> untouched = m_transfer.MemoriesUntouched();
    const TransferProgress last = m_transfer.End();
    const std::string stopped = "Stopped after memory " +
                                std::to_string(done.empty() ? 0 : done.back()) + " of " +
                                std::to_string(last.memoryCount) + ": ";
    switch (last.kind) {
    case TransferKind::StoreProgram:
        // Acknowledged as a whole: the name is the unit's now.
        m_data->setProgramName(m_storedName);
        if (last.slot >= 1)
            m_programNames[static_cast<std::size_t>(last.slot)] = m_storedName;
        m_view.OnTitleChanged(std::string(m_model->filePrefix) + m_storedName);
        m_view.OnProgramNamesChanged();
        break;
    case TransferKind::WriteAllPrograms:
        if (last.stopping)
            Show(stopped + MemoriesWere(done) + " written" +
                     (untouched.empty() ? "." : "; " + MemoriesWere(untouched) + " not changed."),
                 MessageKind::Information);
        break;
    case TransferKind::ReadAllPrograms:
        if (last.stopping)
            Show(stopped + MemoriesWere(done) +
                     " read. Nothing was saved: a program library holds all " +
                     std::to_string(last.memoryCount) + " memories.",
                 MessageKind::Information);
        break;
    case TransferKind::ReadProgram:
        break;
    }
}

namespace {

// The memory of the batch request on the line, sent and not answered yet (a request leaves the
// queue once answered); 0 when there is none.
int SentUnansweredMemory(const RequestQueue& queue) {
    if (queue.Count() == 0)
        return 0;
    const Request& head = *queue.At(0);
    return head.inBatch && !head.firstSendPending ? head.programSlot : 0;
}

} // namespace

std::string UnitController::TransferFailureNote() const {
    if (!m_transfer.IsActive())
        return {};
    const TransferProgress now = m_transfer.Progress();
    const std::vector<int> done = m_transfer.MemoriesDone();
    const int inPart = m_transfer.MemoryInPart();
    const std::string count =
        std::to_string(done.size()) + " of " + std::to_string(now.memoryCount);
    switch (now.kind) {
    case TransferKind::WriteAllPrograms: {
        std::string text = count + " memories were written";
        if (!done.empty())
            text += " (" + MemoryRangesText(done) + ")";
        if (inPart != 0)
            text += "; memory " + std::to_string(inPart) + " was written in part";
        // A memory whose first request went out unanswered may have taken it: it is not said to
        // be unchanged.
        std::vector<int> untouched = m_transfer.MemoriesUntouched();
        const int sent = SentUnansweredMemory(m_command.Queue());
        if (const auto it = std::find(untouched.begin(), untouched.end(), sent);
            sent != 0 && it != untouched.end()) {
            untouched.erase(it);
            text += "; memory " + std::to_string(sent) + " may have been written in part";
        }
        if (!untouched.empty())
            text += "; " + MemoriesWere(untouched) + " not changed";
        return text + ".";
    }
    case TransferKind::ReadAllPrograms:
        return count + " memories had been read; nothing was saved.";
    case TransferKind::StoreProgram:
        return now.slot == 0 ? "The live settings may hold part of the program."
                             : "Memory " + std::to_string(now.slot) +
                                   " may hold part of the program; its name stays as it was.";
    case TransferKind::ReadProgram:
        return {};
    }
    return {};
}

void UnitController::QueueConnectReads(const ConnectReads& reads) {
    if (!m_connected)
        return;
    QueueDirect(::QueueConnectReads(*m_data, reads));
}

void UnitController::SetBacklight(int backlight) {
    m_data->setBacklight(kBacklightRange.Clamp(backlight));
    SendGlobalSetting(kGlobalBacklight);
    m_view.OnUnitSettingChanged(kGlobalBacklight);
}

void UnitController::SetTemperature(int celsius) {
    m_data->setTemperature(kTemperatureRange.Clamp(celsius));
    SendGlobalSetting(kGlobalTemperature);
    m_view.OnUnitSettingChanged(kGlobalTemperature);
}

void UnitController::SetInterfaceLines(std::string_view first, std::string_view second) {
    const auto width = static_cast<std::size_t>(m_model->interfaceLineWidth);
    m_data->setLineSetB(kFirstInterfaceLine, first.substr(0, std::min(first.size(), width)));
    m_data->setLineSetB(kFirstInterfaceLine + 1, second.substr(0, std::min(second.size(), width)));
    SendGlobalSetting(kGlobalLineSetB);
    m_view.OnUnitSettingChanged(kGlobalLineSetB);
}

bool UnitController::SetChannelName(bool output, int channel, std::string_view name) {
    const int count = output ? m_model->outputs : m_model->inputs;
    if (channel < 0 || channel >= count)
        return false;
    Channel& record = output ? static_cast<Channel&>(m_data->output(channel))
                             : static_cast<Channel&>(m_data->input(channel));
    if (record.name() == MakeChannelName(name))
        return false;
    record.setName(name);
    m_view.OnChannelRenamed(output, channel);
    return true;
}

SnapshotChanges UnitController::RestoreSettings(const SettingsSnapshot& snapshot) {
    const SnapshotChanges changes = ApplySnapshot(*m_data, snapshot);
    // The unit-wide settings have no change flags: their frames go as the dialogs send them.
    const RequestFrames build(*m_data);
    std::vector<Request> frames;
    if (changes.inputSource && m_model->hasInputSource)
        frames.push_back(build.sourceFrame());
    if (changes.backlight)
        frames.push_back(build.backlightFrame());
    if (changes.temperature)
        frames.push_back(build.temperatureFrame());
    if (changes.interfaceLines)
        frames.push_back(build.lineSetBFrame());
    if (m_connected && !frames.empty())
        QueueDirect(std::move(frames));
    return changes;
}

void UnitController::QueueDirect(std::vector<Request> frames) {
    m_command.QueueFrames(std::move(frames));
}

void UnitController::StartBatch(std::vector<Request> frames, TransferKind kind, int slot) {
    QueueDirect(std::move(frames));
    m_transfer.Begin(kind, slot, m_command.Queue());
    // Last: the owner may show the busy display modally from here.
    SetBusy(true);
}

void UnitController::SetBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    m_view.OnBusyChanged(busy);
}

void UnitController::SetTickRunning(bool running) {
    if (m_tickRunning == running)
        return;
    m_tickRunning = running;
    m_view.OnTickChanged(running);
}

void UnitController::Show(const std::string& text, MessageKind kind) {
    if (m_messages)
        m_messages->ShowMessage(text, kind);
}

// ---- Notifications of the engine --------------------------------------------------------------

void UnitController::SendNotification(Notification message, int parameter) {
    switch (message) {
    case Notification::ProgramReceived:
        OnProgramReceived();
        break;
    case Notification::StoredProgramReceived:
        OnStoredProgramReceived(parameter);
        break;
    case Notification::GlobalsReceived:
        OnGlobalsReceived();
        break;
    case Notification::IdentificationReceived:
        OnIdentificationReceived();
        break;
    case Notification::ProbeAnswered:
        OnProbeAnswered(parameter);
        break;
    case Notification::MetersReceived:
        OnMetersReceived();
        break;
    case Notification::ProgramNameReceived:
        OnProgramNameReceived(parameter);
        break;
    case Notification::ProgramIncomplete:
        OnProgramIncomplete(parameter, false);
        break;
    case Notification::StoredProgramIncomplete:
        OnProgramIncomplete(parameter, true);
        break;
    case Notification::ChannelsReceived:
        OnChannelsReceived(static_cast<ChannelBlocks>(parameter));
        break;
    case Notification::UnitSettingReceived:
        OnUnitSettingReceived(parameter);
        break;
    case Notification::SearchFinished:
        break; // goes to the search, which registers itself as the search window
    }
}

void UnitController::PostNotification(Notification message, int parameter) {
    // Handled after the receive step has returned (OnLineEvent delivers them).
    m_posted.emplace_back(message, parameter);
}

void UnitController::DeliverPosted() {
    while (!m_posted.empty()) {
        const auto [message, parameter] = m_posted.front();
        m_posted.erase(m_posted.begin());
        SendNotification(message, parameter);
    }
}

void UnitController::OnProgramReceived() {
    // Values only: the records' change flags stay as they are, so nothing is sent back.
    const ProgramContainer& received = m_command.Replies().ReceivedProgram();
    // A memory recalled brings its listed name, byte for byte: the blocks carry no name.
    if (m_transfer.IsActive() && m_transfer.Kind() == TransferKind::ReadProgram &&
        m_transfer.Slot() >= 1)
        m_data->setProgramName(m_programNames[static_cast<std::size_t>(m_transfer.Slot())]);
    for (int i = 0; i < m_model->inputs; ++i) {
        m_data->input(i).copyFrom(received.input(i));
        m_data->input(i).recomputeCurve();
    }
    for (int i = 0; i < m_model->outputs; ++i) {
        m_data->output(i).copyFrom(received.output(i));
        m_data->output(i).recomputeCurve();
    }
    m_view.OnTitleChanged(std::string(m_model->programTitle) + m_data->programName());
    m_view.OnProgramReceived();
}

void UnitController::OnChannelsReceived(ChannelBlocks blocks) {
    // As for a whole program: values only, and only the model's channels.
    const ProgramContainer& received = m_command.Replies().ReceivedProgram();
    for (int i = 0; i < m_model->inputs; ++i) {
        if (blocks & InputBlockBit(i)) {
            m_data->input(i).copyFrom(received.input(i));
            m_data->input(i).recomputeCurve();
        }
    }
    for (int o = 0; o < m_model->outputs; ++o) {
        if (blocks & OutputBlockBit(o)) {
            m_data->output(o).copyFrom(received.output(o));
            m_data->output(o).recomputeCurve();
        }
    }
    m_view.OnChannelsReceived(blocks);
}

void UnitController::OnStoredProgramReceived(int slot) {
    if (slot < 1 || slot > kLastProgramSlot)
        return;
    ProgramImage image = m_command.Replies().ReceivedImage();
    image.name = m_programNames[static_cast<std::size_t>(slot)];
    (*m_bank)[static_cast<std::size_t>(slot - 1)] = std::move(image);
    m_view.OnStoredProgramReceived(slot);
    if (slot == kLastProgramSlot)
        m_view.OnBankComplete();
}

void UnitController::OnGlobalsReceived() {
    const ProgramContainer& received = m_command.Replies().ReceivedProgram();
    for (int line = 0; line < kTextLines; ++line) {
        m_data->setLineSetA(line, received.lineSetA(line));
        m_data->setLineSetB(line, received.lineSetB(line));
    }
    m_data->setShortTag(received.shortTag());
    m_data->setBacklight(received.backlight());
    m_data->setTemperature(received.temperature());
    m_data->setGlobalFrequency(received.globalFrequency()); // the setter limits to 20..20000
    m_data->setUnitValue4(received.unitValue4());
    m_data->setProgramName(received.programName());
    m_data->setInputSource(m_command.Replies().SourceByte());
    m_view.OnGlobalsReceived();
}

void UnitController::OnUnitSettingReceived(int code) {
    // Each setting as it comes, like the program names: a connect that reads only some unit
    // settings gets no temperature reply to take them all in with.
    const ReplyDecoder& replies = m_command.Replies();
    const ProgramContainer& received = replies.ReceivedProgram();
    switch (code) {
    case kGlobalSettings:
        m_data->setInputSource(replies.SourceByte());
        break;
    case kGlobalLineSetB:
        for (int line = 0; line < kTextLines; ++line)
            m_data->setLineSetB(line, received.lineSetB(line));
        break;
    case kGlobalBacklight:
        m_data->setBacklight(received.backlight());
        break;
    default:
        break;
    }
}

void UnitController::OnProgramNameReceived(int slot) {
    // Each name as it comes: a connect that reads no unit settings has no later reply to take
    // the names in with.
    if (slot >= 0 && slot < kProgramSlotCount)
        m_programNames[static_cast<std::size_t>(slot)] = m_command.Replies().ProgramName(slot);
}

void UnitController::OnIdentificationReceived() {
    const std::string& version = m_command.Replies().VersionText();
    // Compared position by position (a missing character differs); one message however many
    // positions differ.
    const auto compared = static_cast<std::size_t>(kComparedVersionChars);
    if (std::string_view(version).substr(0, compared) != kExpectedVersion.substr(0, compared)) {
        Disconnect();
        Show(kVersionErrorText);
    }
    if (m_command.Replies().TypeCode() != m_model->typeCode) {
        Disconnect();
        Show(kTypeCodeErrorText);
    }
}

void UnitController::OnProbeAnswered(int matches) {
    if (matches != 0)
        return;
    const int reported = m_command.Replies().ProbedDeviceType();
    Disconnect();
    Show(TypeErrorMessage(reported));
}

void UnitController::OnProgramIncomplete(int slot, bool stored) {
    // Nothing of it is taken over, and the rest of the transfer could not make it whole: a
    // backup with a program missing must not be offered for saving.
    m_transfer.End();
    const bool dropped = m_command.DropBatch() > 0;
    SetBusy(false);
    const std::string program =
        slot == 0 ? std::string("the live program") : "program " + std::to_string(slot);
    std::string text = "The unit sent " + program + " without " +
                       BlockList(m_command.Replies().MissingBlocks()) + ": ";
    text += stored && dropped ? "the read was stopped and nothing of it was taken over."
                              : "nothing of it was taken over.";
    Show(text);
}

void UnitController::OnMetersReceived() {
    for (int k = 0; k < ReplyDecoder::kMeterCount; ++k)
        m_meters[static_cast<std::size_t>(k)] = m_command.Replies().MeterLevel(k);
    m_view.OnMetersReceived(m_meters);
}
