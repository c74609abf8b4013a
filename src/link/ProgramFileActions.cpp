#include "link/ProgramFileActions.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "link/UnitView.h"
#include "model/ProgramContainer.h"

#include <memory>

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
    const int viewType = m_controller.DeviceType();
    const int fileType = FileModelOf(path, viewType);
    // Read into a scratch container first, all or nothing, converted by value to this model's
    // scales when the file is another model's: the question names what had to be limited.
    ProgramContainer scratch;
    scratch.setDeviceType(viewType);
    std::string reason;
    std::vector<LimitedValue> limited;
    const ProgramFileStatus status = LoadProgramSetting(path, scratch, &reason, &limited);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    if (fileType != viewType && !Ask(OtherModelQuestion(fileType, viewType, limited)))
        return FileOutcome::Cancelled;
    ProgramContainer& data = m_controller.Data();
    data.copyProgramFrom(scratch);
    m_view.OnTitleChanged(ProgramWindowTitle(viewType, data.programName()));
    m_view.OnProgramLoaded();
    m_view.OnProgramFileUsed(path);
    // Connected: the recalled program becomes the unit's live settings.
    if (m_controller.IsConnected())
        m_controller.StoreProgramToDevice(0);
    return FileOutcome::Done;
}

FileOutcome ProgramFileActions::SaveBankToFile(const std::string& chosenPath) {
    const std::string path = LibrarySavePath(chosenPath, m_controller.DeviceType());
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
    const int viewType = m_controller.DeviceType();
    // A library named for no model is read as the model whose library its bytes are (this
    // model's when they fit it); either way the operator hears which before 30 memories change.
    const int named = DeviceTypeFromPath(path);
    int fileType = named;
    if (named == 0) {
        std::vector<std::uint8_t> bytes;
        std::string reason;
        if (!ReadProgramFileBytes(path, bytes, &reason)) {
            Show(ProgramFileMessage(ProgramFileStatus::ReadError, path, reason));
            return FileOutcome::Failed;
        }
        fileType = LibraryModelOf(bytes, viewType);
    }
    auto scratch = std::make_unique<ProgramBank>(m_controller.Bank());
    std::string reason;
    std::vector<LimitedValue> limited;
    const ProgramFileStatus status =
        LoadProgramLibraryAs(path, fileType, viewType, *scratch, &reason, &limited);
    if (status != ProgramFileStatus::Ok) {
        Show(ProgramFileMessage(status, path, reason));
        return FileOutcome::Failed;
    }
    if (named != viewType && !Ask(LibraryQuestion(path, named, fileType, viewType, limited)))
        return FileOutcome::Cancelled;
    ProgramBank& bank = m_controller.Bank();
    bank = *scratch;
    // The 30 programs to memories 1..30 as one batch; each memory's name enters the program
    // name list once the unit has taken that memory.
    m_controller.WriteAllProgramsToDevice(bank);
    return FileOutcome::Done;
}

// ---- Questions ---------------------------------------------------------------------------------

namespace {

// At most this many limited values are listed in a question; the rest are counted.
constexpr std::size_t kListedLimits = 10;

std::string Label(int deviceType) {
    return std::string(DeviceModelOf(deviceType).label);
}

// What converting does, and the values it limits, for a question.
std::string ConversionText(int fileType, int viewType, const std::vector<LimitedValue>& limited,
                           const std::string& subject) {
    const std::string view = Label(viewType);
    std::string text = subject + " converted by value to the " + view +
                       "'s scales (gains in dB, delays in time, bandwidths in octaves).";
    if (fileType == viewType)
        return text;
    if (limited.empty())
        return text + " Every value fits the " + view + "'s ranges.";
    text += " These values lie beyond the " + view + "'s ranges and are limited:";
    for (std::size_t i = 0; i < limited.size() && i < kListedLimits; ++i)
        text += "\n" + limited[i].Text();
    if (limited.size() > kListedLimits)
        text += "\n... and " + std::to_string(limited.size() - kListedLimits) + " more.";
    return text;
}

} // namespace

std::string ProgramFileActions::OtherModelQuestion(int fileType, int viewType,
                                                   const std::vector<LimitedValue>& limited) {
    return "This file was made for the " + Label(fileType) + ", not for the " + Label(viewType) +
           ".\n" + ConversionText(fileType, viewType, limited, "Its values are") +
           "\nLoad it anyway?";
}

std::string ProgramFileActions::LibraryQuestion(const std::string& path, int namedType,
                                                int fileType, int viewType,
                                                const std::vector<LimitedValue>& limited) {
    std::string text = namedType == 0
                           ? path + " does not say which model it was made for. It is read as a " +
                                 Label(fileType) + " library."
                           : path + " was made for the " + Label(namedType) + ", not for the " +
                                 Label(viewType) + ".";
    if (fileType != viewType)
        text += "\n" + ConversionText(fileType, viewType, limited, "Its 30 programs are");
    return text + "\nWrite its 30 programs to memories 1 to 30 of the unit?";
}

std::string ProgramFileActions::ReplaceQuestion(const std::string& path) {
    return path + " already exists.\nDo you want to replace it?";
}

std::optional<std::string> ProgramFileActions::Choose(IFileChooser& chooser, ProgramFileKind kind,
                                                      bool save) {
    // A save proposes the program's name, a library the unit's, as 'backup-all' names them.
    std::string proposed;
    if (save)
        proposed = kind == ProgramFileKind::SingleSetting
                       ? FileNameOfProgram(m_controller.Data().programName())
                       : "unit-" + std::to_string(m_controller.DeviceId());
    std::optional<std::string> chosen =
        chooser.ChooseFile({kind, save, m_controller.DeviceType(), proposed});
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

bool ProgramFileActions::Ask(const std::string& question) {
    return m_messages != nullptr && m_messages->AskYesNo(question);
}

bool ProgramFileActions::ConfirmReplacing(const std::string& chosenPath, const std::string& path) {
    // The chooser asked about the name as chosen; a name the extension rule made is asked here.
    if (path == chosenPath || !PathExists(path))
        return true;
    return Ask(ReplaceQuestion(path));
}

void ProgramFileActions::Show(const std::string& text) {
    if (m_messages)
        m_messages->ShowMessage(text, MessageKind::Error);
}
