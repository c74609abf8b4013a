#pragma once

#include "files/ProgramFile.h"
#include "link/DeviceSearch.h"
#include "link/UnitLink.h"
#include "link/UnitView.h"
#include "model/DeviceModel.h"
#include "model/SettingsSnapshot.h"
#include "protocol/RequestSequences.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ProgramContainer;
class IMessageSink;

// Everything a main view holds besides its controls: the connection to one unit and what
// follows from it. It owns the command engine, paces the send queue from a 100 ms tick, runs the
// device-ID search from a 30 ms tick, handles every notification of the engine and reports to its
// owner through IUnitView. Message boxes go to the IMessageSink. It never sleeps and starts no
// timer: the owner calls Tick (and SearchTick during a search) and hands every line event of the
// port to OnLineEvent on the controller's thread.
class UnitController : private ILinkListener {
public:
    static constexpr int kTickTimerId = 2;
    static constexpr int kTickMs = 100;
    static constexpr int kRepeatTicks = 20;  // a frame unanswered for 20 ticks is sent again
    static constexpr int kAbandonTicks = 40; // ... and given up when the count passes 40
    // Before a unit is renumbered, the new ID is probed: sent again after 5 ticks unanswered, and
    // taken as free after 10 (1 s, several times what a unit needs to answer a probe).
    static constexpr int kIdCheckRepeatTicks = 5;
    static constexpr int kIdCheckTicks = 10;
    static constexpr std::uint32_t kEventBytesReceived = 0x0001;
    static constexpr std::uint32_t kErrorHangUp = 0x0400; // I/O error bit: the line is gone

    static constexpr std::string_view kExpectedVersion = "RA_R_I1.0";
    static constexpr int kComparedVersionChars = 8; // the ninth character is not compared

    static constexpr const char* kNoAnswerText = "Unable to Open COM-Port";
    static constexpr const char* kProbeTypeErrorText = "Device Type Error!";
    static constexpr const char* kVersionErrorText = "Device is error!";
    static constexpr const char* kTypeCodeErrorText = "DeviceType is error!";
    // An operation that needs the unit was asked for while no unit is connected.
    static constexpr const char* kNotConnectedText = "Please to Open COM-Port";

    // The device type the latest probe answer reported (0 before the first), e.g. the type
    // of a unit that was refused with "Device Type Error!".
    int ReportedDeviceType() const { return m_command.Replies().ProbedDeviceType(); }

    // Set up as a view's initial update does: device ID 1, disconnected, busy flag set. For the
    // 3x6 and 2x4 types the container and the engine are switched to that type. `data` and
    // `bank` are the document's program container and program bank; `view` and `messages` must
    // outlive the controller. Without `port` the engine uses a serial port.
    // Precondition: FindDeviceModel(deviceType) is not null.
    UnitController(int deviceType, ProgramContainer& data, ProgramBank& bank, IUnitView& view,
                   IMessageSink* messages, std::unique_ptr<IPort> port = nullptr);
    UnitController(const UnitController&) = delete;
    UnitController& operator=(const UnitController&) = delete;
    ~UnitController() override;

    // Hands the port's line events (called on the listener thread) over to the controller's
    // thread, which then calls OnLineEvent with the bits. Set before the port is opened.
    void SetLineEventForwarder(LineEventHandler forwarder);
    // The document's container again (the view re-reads it before every full refresh).
    void SetProgramContainer(ProgramContainer& data) { m_data = &data; }

    // ---- State -------------------------------------------------------------------------
    const DeviceModel& Model() const { return *m_model; }
    int DeviceType() const { return m_model->deviceType; }
    bool IsConnected() const { return m_connected; }
    bool IsBusy() const { return m_busy; }
    bool IsTickRunning() const { return m_tickRunning; }
    int DeviceId() const { return m_deviceId; }
    const std::string& PortName() const { return m_portName; }
    // Program name n (0 = the live setting's, 1..30 the memories'); "" for other n.
    const std::string& ProgramName(int n) const;
    // Sets program name n (1..30), as the program dialog does; other n are ignored.
    void SetProgramName(int n, std::string_view name);
    const MeterLevels& Meters() const { return m_meters; }
    UnitLink& Command() { return m_command; }
    const UnitLink& Command() const { return m_command; }
    ProgramContainer& Data() { return *m_data; }
    ProgramBank& Bank() { return *m_bank; }
    // True while connected and not busy, when no record has a change flag raised and nothing but
    // meter polls is queued: every edit and every request queued has been answered by the unit
    // (a crossover's whole run of steps included). It holds as soon as the last answer is in.
    bool IsSettled() const;

    // ---- Connection ----------------------------------------------------------------------
    // The connect flow after the connect dialog ended with OK: closes the editors, remembers the
    // port, opens it; then takes the ID, clears the change flags (edits made while disconnected
    // are not sent), queues the probe and the names and global reads `reads` asks for (the
    // application asks for all), starts the tick and, with `readLiveProgram`, reads the unit's
    // live program under the busy display (without it, the live settings of the channels
    // `reads` names, if any). A connection that is still open is closed first.
    // (The connection button while connected is Disconnect.) Returns false when the port could
    // not be opened (the engine has shown why).
    bool Connect(const std::string& portName, int deviceId, bool readLiveProgram = true,
                 const ConnectReads& reads = ConnectReads::Everything());
    // Opens the port and marks the controller connected (busy flag clear).
    bool OpenConnection(const std::string& portName);
    // Closes the port, empties the queue, clears the busy flag and stops the tick; only when
    // connected with the port open. Returns whether it closed a connection.
    bool Disconnect();

    // Stops sending after the frame on the line: that frame is left to be answered (or given
    // up), every other queued frame and every edit not yet sent is dropped, and the inputs a
    // store of the live settings had muted for its own sake get their own on/off again (their
    // level frames are queued, marked as unmuting them). Ends the busy display. Only when
    // connected.
    void StopSending();
    // The inputs (0 = A) a store of the live settings has muted for its own sake and not yet
    // given their own on/off again: the mute has gone out, the input is to be on, and the frame
    // that switches it on has not been answered.
    std::vector<int> InputsMutedForStore() const;
    // The inputs InputsMutedForStore named when the connection last failed (the unit stopped
    // answering or the line was lost); empty after a connect.
    const std::vector<int>& InputsLeftMuted() const { return m_leftMuted; }

    // Device dialog, first choice: gives the unit a new ID, unless another unit on the line
    // answers to it already (two units with one ID could no longer be told apart). The new ID is
    // probed first, through the normal ticks; when a unit answers, nothing is sent and the
    // operator is told; when none answers, the ID change frame is queued, addressed to the old
    // ID, and afterwards every frame carries the new one. Only when connected, with
    // 1 <= newId <= 250, newId different from the current ID and no other check running.
    // Returns whether the check was started.
    bool ChangeDeviceId(int newId);
    // True from ChangeDeviceId until its probe has been answered (refused) or has timed out
    // (the ID changed), or the connection ended.
    bool IsCheckingDeviceId() const { return m_idCheck != 0; }
    // Device dialog, second choice: addresses another unit on the same line and reads it as a
    // connect does; the port stays open. Only when connected and id is 1..250 and not current.
    void SwitchToDevice(int id);

    // ---- Device-ID search (connect dialog) -----------------------------------------------
    // Opens the port (the engine shows a failure) and starts the search over first..last, with
    // `silentRetries` more passes over the IDs that stay silent (DeviceSearch). Refused (false)
    // while connected, since it would take the port over. The search's own 30 ms tick is
    // SearchTick. Returns whether the port opened.
    bool StartSearch(const std::string& portName, int first = kFirstDeviceId,
                     int last = kLastDeviceId, int silentRetries = 0);
    void SearchTick() { m_search.Tick(); }
    // The connect dialog closes during a search.
    void CancelSearch() { m_search.End(); }
    bool IsSearching() const { return m_search.IsRunning(); }
    const DeviceSearch& Search() const { return m_search; }

    // ---- Time and the line -------------------------------------------------------------
    // The 100 ms send tick (timer 2): tops the queue up with one changed value while fewer than
    // two frames wait, or with a meter poll when none waits (so an edit never queues behind a
    // poll), then services the head. Does nothing while the tick is stopped.
    void Tick();
    // One step of the head frame's life: first transmission (ending the busy display at a
    // batch's last frame), the one repetition after 20 ticks, abandonment after 40.
    void ServiceHead();
    // A line event of the port (event bits in the low 16 bits, error bits in the high 16 bits):
    // bytes received are read and decoded; a hang-up ends the connection (or the search) at
    // once. Meter notifications posted while decoding are handled before it returns.
    void OnLineEvent(std::uint32_t eventAndErrorBits);

    // ---- Operations of the main view -------------------------------------------------------
    // Queues the frame of one device-wide setting (codes 0, 1, 16, 17, 18, 20, 22) when
    // connected; other codes queue nothing.
    void SendGlobalSetting(int code);
    // 4x8 only: the container's input source becomes `source` (0 analog, 1 digital), shown; with
    // `send`, queued when connected and the open input editors are refreshed.
    void SetInputSource(int source, bool send);
    // Copies every setting of channel `from` onto channel `to` (outputs when `output`, else
    // inputs), recomputes the target's curve and, when connected, queues its block for the live
    // settings. Indexes outside the model's channels, or equal ones, do nothing.
    void CopyChannel(int from, int to, bool output);
    // Reads program slot n (0 = live settings, 1..30 memories) under the busy display.
    void ReadProgramFromDevice(int slot);
    // Reads the live settings of some of the model's channels only (`blocks`: bits 0..3 inputs
    // A..D, 4..11 outputs 1..8; other channels are left out) as one batch. They are taken into
    // the container only when every one came in (the view is told with OnChannelsReceived);
    // otherwise none is, as for a program.
    void ReadChannelsFromDevice(ChannelBlocks blocks);
    // Stores the container as program slot n (0 = live settings) under the busy display.
    void StoreProgramToDevice(int slot);
    // Reads the 30 stored programs into the program bank under the busy display.
    void ReadAllProgramsFromDevice();
    // Sends the 30 programs of `bank` to the unit's memories under the busy display; their
    // names go into the program name list.
    void WriteAllProgramsToDevice(const ProgramBank& bank);
    // Queues the connect probe and the reads of program names and global settings that `reads`
    // asks for.
    void QueueConnectReads(const ConnectReads& reads = ConnectReads::Everything());

    // ---- Edits of the tool dialogs: the container (or record) first, then the unit ---------
    // The front-panel backlight: 0 "Keep On", 1 timed ("25s" on a 4x8, "10s" on the others);
    // other values go to the nearer one. Sent at once when connected.
    void SetBacklight(int backlight);
    // The temperature in whole degrees C, limited to 0..50. Sent at once when connected.
    // Channel editors already open keep the temperature they were created with.
    void SetTemperature(int celsius);
    // The two interface information lines (lines 2 and 3 of line set B), each cut to the
    // model's line width (20 characters on a 4x8, 16 on the others); sent as one frame when
    // connected.
    void SetInterfaceLines(std::string_view first, std::string_view second);
    // Gives a channel of the model a new name through its record's setter, which keeps the first
    // 8 characters and raises the name flag (the tick sends the name), and tells the view. A name
    // equal to the record's, or a channel the model lacks, changes nothing. Returns whether the
    // name changed.
    bool SetChannelName(bool output, int channel, std::string_view name);

    // ---- Restoring settings (undo, redo, the A/B switch) ------------------------------------
    // Makes the container hold `snapshot` (ApplySnapshot): the channel values that differ get
    // their change flags, so the send tick takes exactly those to the unit, and the unit-wide
    // settings that differ are queued at once when connected (the input source on a model that
    // has one). Returns what changed; the caller shows it.
    SnapshotChanges RestoreSettings(const SettingsSnapshot& snapshot);

private:
    void SendNotification(Notification message, int parameter) override;
    void PostNotification(Notification message, int parameter) override;

    void OnProgramReceived();
    void OnProgramNameReceived(int slot);
    void OnStoredProgramReceived(int slot);
    void OnGlobalsReceived();
    void OnIdentificationReceived();
    void OnProbeAnswered(int matches);
    void OnMetersReceived();
    void OnProgramIncomplete(int slot, bool stored);
    void OnChannelsReceived(ChannelBlocks blocks);
    void OnUnitSettingReceived(int code);
    void DeliverPosted();
    // What follows any receive step: the unit was heard, posted notifications are delivered and
    // the ID check learns whether its probe was answered.
    void AfterReceive(ReceiveOutcome outcome);

    void QueueDirect(std::vector<Request> frames);
    void StartBatch(std::vector<Request> frames);
    void SetBusy(bool busy);
    void SetTickRunning(bool running);
    void FailConnection(const std::string& text);
    void Show(const std::string& text, MessageKind kind = MessageKind::Error);
    // The message of a connection that ended: the fixed text, then what happened.
    std::string NoAnswerMessage() const;
    std::string LineLostMessage() const;
    std::string TypeErrorMessage(int reportedType) const;
    // The ID check of ChangeDeviceId: whether its probe is still queued, and its outcome.
    bool IdCheckQueued() const;
    void EndIdCheck(bool answered);
    void ApplyDeviceIdChange(int newId);

    const DeviceModel* m_model;
    ProgramContainer* m_data;
    ProgramBank* m_bank;
    IUnitView& m_view;
    IMessageSink* m_messages;
    UnitLink m_command;
    DeviceSearch m_search;
    LineEventHandler m_forwarder;

    bool m_connected = false;
    bool m_busy = true;
    bool m_tickRunning = false;
    bool m_heardUnit = false; // the unit addressed has answered since it was chosen
    int m_idCheck = 0;        // the new ID being probed by ChangeDeviceId; 0 when none
    std::array<bool, kInputCount> m_mutedForStore{}; // a store's mute of the input went out
    std::vector<int> m_leftMuted;                    // see InputsLeftMuted
    int m_deviceId = 1;
    std::string m_portName;
    std::array<std::string, kProgramSlotCount> m_programNames{}; // slot 0 (live) and memories
    MeterLevels m_meters{};
    std::vector<std::pair<Notification, int>> m_posted;
};
