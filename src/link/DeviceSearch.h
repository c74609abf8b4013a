#pragma once

#include "link/UnitLink.h"
#include "model/DeviceModel.h"

#include <functional>
#include <vector>

class ProgramContainer;
class IUnitView;

// The device-ID search of the connect dialog: one probe per ID is queued at once, and the
// search's own 30 ms tick transmits them one by one. A probe that stays unanswered for more than
// three ticks (about 120 ms) is given up and the next ID is probed on the following tick. Units
// that answer with the right device type are recorded in the engine's device-ID table by the
// reply decoding; the answer to (or the time-out of) the last ID ends the search.
//
// A unit must not go missing because its answer was damaged on the line: a probe whose window
// brought bytes that made no valid frame (noise, a wrong checksum, a frame cut short) is sent
// again at once, up to kGarbledRepeats more times. A window that stayed silent is not; a search
// asked for silent retries probes the IDs still unknown again afterwards, in further passes.
//
// The search uses the view's engine while the view is disconnected; the view's own send tick is
// not running then. Everything runs on the user-interface thread.
class DeviceSearch : private ILinkListener {
public:
    static constexpr int kTimerId = 1;
    static constexpr int kTickMs = 30;
    static constexpr int kMaxWaitTicks = 3;
    static constexpr int kGarbledRepeats = 2;

    // `onLastTimeout` runs before the search ends on the time-out of its last ID (the view's
    // Disconnect, which does nothing while the view is not connected).
    DeviceSearch(UnitLink& command, IUnitView& view, std::function<void()> onLastTimeout);
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;
    ~DeviceSearch() override;

    // Starts a search over IDs first..last (1..250 in the connect dialog). The caller has tried
    // to open the engine's port already; when it is open, every ID of the range is marked
    // unknown in the device-ID table and its probe is queued, built by `data` (which supplies
    // the device type the probe asks for). The search runs even when the port did not open; its
    // first tick then finds nothing queued and ends it with the table as it is. After the pass
    // over the range, up to `silentRetries` further passes probe the IDs of the range that are
    // still unknown.
    // Precondition: 1 <= first <= last <= 250, silentRetries >= 0.
    void Begin(const ProgramContainer& data, int first = kFirstDeviceId, int last = kLastDeviceId,
               int silentRetries = 0);
    // One step of the 30 ms search tick (timer 1); does nothing while no search runs.
    void Tick();
    // Ends a running search: the tick stops, the port is closed, the queue emptied, the search
    // window unregistered, and the view is given the known IDs. Closing the connect dialog
    // during a search calls it as well. Does nothing while no search runs.
    void End();

    bool IsRunning() const { return m_running; }
    // The ID most recently put on the line (0 before the first).
    int Progress() const { return m_progress; }
    // 0 during the pass over the whole range, then 1, 2, ... for the passes over silent IDs.
    int Pass() const { return m_pass; }
    int FirstId() const { return m_first; }
    int LastId() const { return m_last; }

private:
    void SendNotification(Notification message, int parameter) override;
    void PostNotification(Notification, int) override {}
    // Queues the probes of `ids`; the last one ends the pass.
    void QueuePass(const std::vector<int>& ids);
    // A pass is over: the next one over the IDs still unknown, or the end of the search.
    void EndPass(bool lastTimedOut);

    UnitLink& m_command;
    IUnitView& m_view;
    std::function<void()> m_onLastTimeout;
    const ProgramContainer* m_data = nullptr;
    bool m_running = false;
    int m_progress = 0;
    int m_first = kFirstDeviceId;
    int m_last = kLastDeviceId;
    int m_passLast = 0; // the ID probed last in this pass
    int m_pass = 0;
    int m_retriesLeft = 0;
    int m_repeats = 0; // garbled windows of the probe on the line, sent again
};
