#include "link/DeviceSearch.h"

#include "link/UnitView.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <algorithm>
#include <utility>

DeviceSearch::DeviceSearch(UnitLink& command, IUnitView& view, std::function<void()> onLastTimeout)
    : m_command(command), m_view(view), m_onLastTimeout(std::move(onLastTimeout)) {}

DeviceSearch::~DeviceSearch() {
    // The engine must not keep a pointer to a search that is gone.
    if (m_command.SearchWindow() == this)
        m_command.SetSearchWindow(nullptr);
}

void DeviceSearch::Begin(const ProgramContainer& data, int first, int last, int silentRetries) {
    m_first = first;
    m_last = last;
    m_data = &data;
    m_pass = 0;
    m_retriesLeft = silentRetries;
    if (m_command.IsPortOpen()) {
        m_command.SetSearchWindow(this);
        std::vector<int> ids;
        for (int id = first; id <= last; ++id) {
            m_command.Replies().SetDeviceIdKnown(id, false);
            ids.push_back(id);
        }
        QueuePass(ids);
    }
    m_running = true;
    m_progress = 0;
    m_view.OnSearchProgress(0);
}

void DeviceSearch::QueuePass(const std::vector<int>& ids) {
    for (int id : ids) {
        Request probe = RequestFrames(*m_data).deviceIdFrame(id, true);
        probe.probedId = id;
        m_command.QueueFrame(std::move(probe));
    }
    m_passLast = ids.empty() ? 0 : ids.back();
}

void DeviceSearch::EndPass(bool lastTimedOut) {
    if (m_retriesLeft > 0 && m_command.IsPortOpen()) {
        std::vector<int> silent;
        const std::vector<int> known = m_command.Replies().KnownDeviceIds();
        for (int id = m_first; id <= m_last; ++id)
            if (std::find(known.begin(), known.end(), id) == known.end())
                silent.push_back(id);
        if (!silent.empty()) {
            --m_retriesLeft;
            ++m_pass;
            // Behind a probe still on the line (answered, not yet completed): it leaves first.
            QueuePass(silent);
            return;
        }
    }
    if (lastTimedOut && m_onLastTimeout)
        m_onLastTimeout();
    End();
}

void DeviceSearch::Tick() {
    if (!m_running)
        return;
    // A false start on the line may hold the answer the probe waits for.
    m_command.ExpireReceive();
    if (!m_running)
        return;
    Request* head = m_command.HeadFrame();
    if (!head) {
        // Every probe has been answered (the last one by a unit whose answer does not end the
        // search by itself), or the port never opened: nothing is left to wait for.
        EndPass(false);
        return;
    }
    if (head->firstSendPending) {
        m_command.TransmitHead();
        m_progress = head->probedId;
        head->firstSendPending = false;
        m_repeats = 0;
        m_view.OnSearchProgress(m_progress);
        return;
    }
    if (++head->waitedTicks <= kMaxWaitTicks)
        return;
    if (m_command.HeardGarbledBytes() && m_repeats < kGarbledRepeats) {
        // Something answered, but not so that it could be read: ask again at once.
        ++m_repeats;
        head->waitedTicks = 0;
        m_command.TransmitHead();
        return;
    }
    if (head->probedId == m_passLast) {
        m_command.CompleteHead();
        EndPass(true);
        return;
    }
    m_command.CompleteHead();
}

void DeviceSearch::End() {
    if (!m_running)
        return;
    m_running = false;
    m_command.ClosePort();
    m_command.ClearQueue();
    if (m_command.SearchWindow() == this)
        m_command.SetSearchWindow(nullptr);
    m_view.OnSearchEnded(m_command.Replies().KnownDeviceIds());
}

void DeviceSearch::SendNotification(Notification message, int) {
    // The answer of ID 250, the last ID there is, ends the pass it was probed in.
    if (message == Notification::SearchFinished && m_running)
        EndPass(false);
}
