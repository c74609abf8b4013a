// The control surface's tool dialogs, opened from its side buttons. Each is modal; the button
// that opened it stays pressed until it closes (OnSideButton).

#include "gui/dialogs/ChannelNamesDialog.h"
#include "gui/dialogs/CopyChannelDialog.h"
#include "gui/dialogs/InterfaceSettingsDialog.h"
#include "gui/dialogs/ProgramManagerDialog.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditHistory.h"
#include "link/ProgramManager.h"

void ControlSurface::OpenProgramManager() {
    ProgramManager manager(*m_controller, *m_fileActions, &m_messages);
    ProgramManagerDialog dialog(manager, *m_chooser, this);
    connect(this, &ControlSurface::programNamesChanged, &dialog, &ProgramManagerDialog::RefillList);
    dialog.exec();
    // A program read in is a step of its own (OnProgramReceived, OnProgramLoaded); a store gives
    // the editor the name typed for the memory, which is the operator's edit too.
    m_history->Record(QStringLiteral("programName"), QStringLiteral("Program Name"));
}

void ControlSurface::OpenCopyDialog() {
    // The copied channel's strip and the graph follow through OnChannelCopied.
    CopyChannelDialog dialog(*m_controller, this);
    dialog.exec();
}

void ControlSurface::OpenInterfaceSettings() {
    InterfaceSettingsDialog dialog(*m_controller, this, &m_messages);
    dialog.exec();
}

void ControlSurface::OpenChannelNames() {
    // Each renamed channel's label follows through OnChannelRenamed.
    ChannelNamesDialog dialog(*m_controller, this);
    dialog.exec();
}
