#include "link/ProgramManager.h"

#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "model/TextEntryRules.h"

ProgramManager::ProgramManager(UnitController& controller, ProgramFileActions& files,
                               IMessageSink* messages)
    : m_controller(controller), m_files(files), m_messages(messages) {}

const std::string& ProgramManager::ProgramName(int number) const {
    // Slot 0 is the live settings' name, which the manager does not list.
    static const std::string none;
    return number >= 1 && number <= kLastProgramSlot ? m_controller.ProgramName(number) : none;
}

bool ProgramManager::RunDeviceAction(DeviceProgramAction action, int number,
                                     std::string_view typedName) {
    if (!m_controller.IsConnected()) {
        Show(UnitController::kNotConnectedText);
        return false;
    }
    if (number < 1 || number > kLastProgramSlot)
        return false;
    const std::string name = WithoutLeadingBlanks(typedName);
    if (action == DeviceProgramAction::Store && name.empty()) {
        Show(kEmptyNameText);
        return false;
    }
    // The names change only once the unit has done what was asked: a store names the memory,
    // the editor and the title when it is acknowledged; a recall brings the memory's listed name,
    // as the list holds it, into the editor with the program.
    if (action == DeviceProgramAction::Store)
        m_controller.StoreProgramToDevice(number, name);
    else
        m_controller.ReadProgramFromDevice(number);
    return true;
}

FileOutcome ProgramManager::RunPcAction(PcProgramAction action, IFileChooser& chooser) {
    switch (action) {
    case PcProgramAction::StoreProgram:
        return m_files.StoreProgram(chooser);
    case PcProgramAction::RecallProgram:
        return m_files.RecallProgram(chooser);
    case PcProgramAction::RecallAllPrograms:
        return m_files.RecallAllPrograms(chooser);
    case PcProgramAction::StoreAllPrograms:
        return m_files.StoreAllPrograms();
    }
    return FileOutcome::Cancelled;
}

void ProgramManager::Show(const char* text) {
    if (m_messages)
        m_messages->ShowMessage(text, MessageKind::Warning);
}
