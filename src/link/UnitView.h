#pragma once

#include <array>
#include <string>
#include <vector>

// Level codes of one meter reply: 0..3 inputs A..D, 4..11 outputs 1..8, each 0..9 or 17..25.
using MeterLevels = std::array<int, 12>;

// The owner of a unit controller: the Qt main view, the command-line client or a test. The
// controller tells it what changed; the owner draws, shows dialogs and runs the timers. Every
// call comes on the owner's (user-interface) thread. Message boxes go through the controller's
// IMessageSink, not through this interface.
//
// The default bodies do nothing, so an owner without a screen implements only what it needs.
class IUnitView {
public:
    virtual ~IUnitView() = default;

    // The connection was opened (true) or closed (false): connect button caption "UnConnect" /
    // "Connection", status LED green and blinking / red and steady, link box "Link" / "Unlink".
    virtual void OnConnectionChanged(bool /*connected*/) {}
    // The 100 ms send tick (timer 2) must run from now on (true) or stop (false); the owner
    // then calls UnitController::Tick every 100 ms.
    virtual void OnTickChanged(bool /*running*/) {}
    // A batch is being transmitted (true): show the busy display "transmitting Data". The owner
    // may run a nested event loop here (a modal dialog that closes itself once the busy flag is
    // clear again), as long as ticks and line events go on being handled inside it. False: the
    // batch's last frame has gone out or the connection ended.
    virtual void OnBusyChanged(bool /*busy*/) {}
    // New text for the main window's title.
    virtual void OnTitleChanged(const std::string& /*title*/) {}
    // The device ID box ("%d") and the port box show new values.
    virtual void OnConnectionBoxesChanged(int /*deviceId*/, const std::string& /*portName*/) {}
    // Closes every open channel and equaliser editor (before a connect or a switch of unit).
    virtual void CloseAllEditors() {}
    // A unit has been addressed (a connect, or a switch to another unit on the line); with
    // `readsProgram` its live program is being read and will replace the container's. What was
    // edited before belonged to no unit or to another one.
    virtual void OnUnitAddressed(bool /*readsProgram*/) {}

    // The live program has been copied into the program container: refresh every control and
    // redraw the response graph.
    virtual void OnProgramReceived() {}
    // The live settings of the channels in `blocks` (bits 0..3 inputs A..D, 4..11 outputs
    // 1..8), read by themselves, have been copied into the program container.
    virtual void OnChannelsReceived(unsigned /*blocks*/) {}
    // Stored program `slot` (1..30) is now entry slot - 1 of the program bank.
    virtual void OnStoredProgramReceived(int /*slot*/) {}
    // The 30th stored program has arrived: offer to save the whole bank to a library file.
    virtual void OnBankComplete() {}
    // The unit's global settings and program names are in the container and the name list.
    virtual void OnGlobalsReceived() {}
    // The program name list changed without a reply (a bank was queued for the unit).
    virtual void OnProgramNamesChanged() {}
    // Levels of the twelve meters.
    virtual void OnMetersReceived(const MeterLevels& /*levels*/) {}
    // The input source box shows "Analog" (0) or "Digital" (1); with `fromEditor` set the open
    // input channel editors refresh their source display too. Only 4x8 views are told.
    virtual void OnInputSourceChanged(int /*source*/, bool /*fromEditor*/) {}
    // A channel copy changed this channel's record: refresh its strip and redraw the graph.
    virtual void OnChannelCopied(bool /*output*/, int /*channel*/) {}
    // This channel's record has a new name: show it on the strip's name label.
    virtual void OnChannelRenamed(bool /*output*/, int /*channel*/) {}
    // The operator changed a unit-wide setting of a tool dialog (the global code of its frame:
    // backlight, temperature or the interface lines); it is in the container and sent.
    virtual void OnUnitSettingChanged(int /*code*/) {}
    // A single-setting file has been read into the program container: refresh every control
    // and redraw the response graph.
    virtual void OnProgramLoaded() {}
    // A single-setting file was stored or recalled at `path` (for the recent-file list).
    virtual void OnProgramFileUsed(const std::string& /*path*/) {}

    // Device-ID search: the ID being probed (0 at the start), for the progress bar.
    virtual void OnSearchProgress(int /*probedId*/) {}
    // The search has ended; `knownIds` is the device-ID table's known IDs in ascending order
    // (the first is preselected, none means the chosen ID is 0).
    virtual void OnSearchEnded(const std::vector<int>& /*knownIds*/) {}
};
