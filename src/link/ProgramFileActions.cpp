#include "link/ProgramFileActions.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "link/UnitView.h"
#include "model/ProgramContainer.h"

ProgramFileActions::ProgramFileActions(UnitController& controller, IUnitView& view,
                                       IMessageSink* messages)
    : m_controller(controller), m_view(view), m_messages(messages) {}

// ---- With the chooser --------------------------------------------------------------------------

FileOutcome ProgramFileActions::StoreProgram(IFileChooser& chooser) {
    const auto chosen = Choose(chooser, ProgramFileKind::SingleSetting, true);
    return chosen ? StoreProgramToFile(*chosen) : FileOutcome::Cancelled;
}

FileOutcome ProgramFileActions::RecallProgram(IFileChooser& chooser) {
    const auto chosen = Choose(chooser, ProgramFileKind::SingleSetting, false);
    return chosen ? RecallProgramFromFile(*chosen) : FileOutcome::Cancelled;
}

FileOutcome ProgramFileActions::StoreAllPrograms() {
    if (!RequireConnection())
        return FileOutcome::Failed;
    // The save follows once the 30th program has arrived (IUnitView::OnBankComplete).
    m_controller.ReadAllProgramsFromDevice();
    return FileOutcome::Done;
}

FileOutcome ProgramFileActions::SaveBank(IFileChooser& chooser) {
    const auto chosen = Choose(chooser, ProgramFileKind::Library, true);
    return chosen ? SaveBankToFile(*chosen) : FileOutcome::Cancelled;
}

FileOutcome ProgramFileActions::RecallAllPrograms(IFileChooser& chooser) {
    // Asked before the chooser opens: the file would have nowhere to go.
    if (!RequireConnection())
        return FileOutcome::Failed;
    const auto chosen = Choose(chooser, ProgramFileKind::Library, false);
    return chosen ? RecallAllProgramsFromFile(*chosen) : FileOutcome::Cancelled;
}

// ---- On a chosen path --------------------------------------------------------------------------

FileOutcome ProgramFileActions::StoreProgramToFile(const std::string& chosenPath) {
    const int type = m_controller.DeviceType();
    const std::string path = SingleSettingSavePath(chosenPath, type);
    if (!ConfirmReplacing(chosenPath, path))
        return FileOutcome::Cancelled;
    const ProgramContainer& data = m_controller.Data();
    std::string reason;
    const ProgramFileStatus status = SaveProgramSetting(path, data, &reason);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    m_view.OnTitleChanged(ProgramWindowTitle(type, data.programName()));
    m_view.OnProgramFileUsed(path);
    return FileOutcome::Done;
}

FileOutcome ProgramFileActions::RecallProgramFromFile(const std::string& path) {
    if (!ConfirmModelOf(path))
        return FileOutcome::Cancelled;
    ProgramContainer& data = m_controller.Data();
    // All or nothing, every value limited to this model's ranges, curves recomputed.
    std::string reason;
    const ProgramFileStatus status = LoadProgramSetting(path, data, &reason);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    m_view.OnTitleChanged(ProgramWindowTitle(m_controller.DeviceType(), data.programName()));
    m_view.OnProgramLoaded();
    m_view.OnProgramFileUsed(path);
    // Connected: the recalled program becomes the unit's live settings.
    if (m_controller.IsConnected())
        m_controller.StoreProgramToDevice(0);
    return FileOutcome::Done;
}

FileOutcome ProgramFileActions::SaveBankToFile(const std::string& chosenPath) {
    const std::string path = LibrarySavePath(chosenPath);
    if (!ConfirmReplacing(chosenPath, path))
        return FileOutcome::Cancelled;
    std::string reason;
    const ProgramFileStatus status = SaveProgramLibrary(path, m_controller.Bank(), &reason);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    return FileOutcome::Done;
}

FileOutcome ProgramFileActions::RecallAllProgramsFromFile(const std::string& path) {
    if (!RequireConnection())
        return FileOutcome::Failed;
    if (!ConfirmModelOf(path))
        return FileOutcome::Cancelled;
    ProgramBank& bank = m_controller.Bank();
    std::string reason;
    const ProgramFileStatus status =
        LoadProgramLibrary(path, m_controller.DeviceType(), bank, &reason);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    // Names into the program name list, the 30 programs to memories 1..30 as one batch.
    m_controller.WriteAllProgramsToDevice(bank);
    return FileOutcome::Done;
}

// ---- Questions ---------------------------------------------------------------------------------

std::string ProgramFileActions::OtherModelQuestion(int fileType, int viewType) {
    const std::string file(DeviceModelOf(fileType).label);
    const std::string view(DeviceModelOf(viewType).label);
    return "This file was made for the " + file + ", not for the " + view +
           ".\nLoad it anyway? Its values are limited to the " + view + "'s ranges.";
}

std::string ProgramFileActions::ReplaceQuestion(const std::string& path) {
    return path + " already exists.\nDo you want to replace it?";
}

std::optional<std::string> ProgramFileActions::Choose(IFileChooser& chooser, ProgramFileKind kind,
                                                      bool save) {
    std::optional<std::string> chosen = chooser.ChooseFile({kind, save, m_controller.DeviceType()});
    if (chosen && chosen->empty())
        chosen.reset();
    return chosen;
}

bool ProgramFileActions::RequireConnection() {
    if (m_controller.IsConnected())
        return true;
    Show(UnitController::kNotConnectedText);
    return false;
}

bool ProgramFileActions::ConfirmModelOf(const std::string& path) {
    const int fileType = DeviceTypeFromPath(path);
    const int viewType = m_controller.DeviceType();
    if (fileType == 0 || fileType == viewType)
        return true;
    return m_messages != nullptr && m_messages->AskYesNo(OtherModelQuestion(fileType, viewType));
}

bool ProgramFileActions::ConfirmReplacing(const std::string& chosenPath, const std::string& path) {
    // The chooser asked about the name as chosen; a name the extension rule made is asked here.
    if (path == chosenPath || !PathExists(path))
        return true;
    return m_messages != nullptr && m_messages->AskYesNo(ReplaceQuestion(path));
}

void ProgramFileActions::Show(const std::string& text) {
    if (m_messages)
        m_messages->ShowMessage(text, MessageKind::Error);
}
