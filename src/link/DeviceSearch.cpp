#include "link/DeviceSearch.h"

#include "link/UnitView.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <utility>

DeviceSearch::DeviceSearch(UnitLink& command, IUnitView& view, std::function<void()> onLastTimeout)
    : m_command(command), m_view(view), m_onLastTimeout(std::move(onLastTimeout)) {}

DeviceSearch::~DeviceSearch() {
    // The engine must not keep a pointer to a search that is gone.
    if (m_command.SearchWindow() == this)
        m_command.SetSearchWindow(nullptr);
}

void DeviceSearch::Begin(const ProgramContainer& data, int first, int last) {
    m_first = first;
    m_last = last;
    if (m_command.IsPortOpen()) {
        m_command.SetSearchWindow(this);
        for (int id = first; id <= last; ++id) {
            m_command.Replies().SetDeviceIdKnown(id, false);
            Request probe = RequestFrames(data).deviceIdFrame(id, true);
            probe.probedId = id;
            m_command.QueueFrame(std::move(probe));
        }
    }
    m_running = true;
    m_progress = 0;
    m_view.OnSearchProgress(0);
}

void DeviceSearch::Tick() {
    if (!m_running)
        return;
    Request* head = m_command.HeadFrame();
    if (!head) {
        // Every probe has been answered (the last one by a unit whose answer does not end the
        // search by itself), or the port never opened: nothing is left to wait for.
        End();
        return;
    }
    if (head->firstSendPending) {
        m_command.TransmitHead();
        m_progress = head->probedId;
        head->firstSendPending = false;
        m_view.OnSearchProgress(m_progress);
        return;
    }
    if (++head->waitedTicks <= kMaxWaitTicks)
        return;
    if (head->probedId == m_last) {
        if (m_onLastTimeout)
            m_onLastTimeout();
        End();
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
    if (message == Notification::SearchFinished)
        End();
}
