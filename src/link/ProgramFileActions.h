#pragma once

#include "model/DeviceModel.h"
#include "model/ModelConversion.h"

#include <optional>
#include <string>
#include <vector>

class UnitController;
class IUnitView;
class IMessageSink;

// The two kinds of program file (one program container, or the bank of 30 programs) and the
// texts a channel exchanges with measurement programs (filter texts, measurements).
enum class ProgramFileKind { SingleSetting, Library, FilterText, Measurement };

// What the operator is asked to choose a file for.
struct FileChoice {
    ProgramFileKind kind = ProgramFileKind::SingleSetting;
    bool save = false; // a name to save under; otherwise an existing file to read
    int deviceType = kDeviceType4x8;
    // For a save: the name proposed, without extension (the program's name, or the unit's for a
    // library); empty when there is none to propose.
    std::string proposedName = {};
};

// Asks the operator for a file: the application's file chooser, or a script in tests.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<std::string> ChooseFile(const FileChoice& choice) = 0;
};

// How a file operation ended.
enum class FileOutcome {
    Done,
    Cancelled, // the operator cancelled the chooser or answered no: nothing changed
    Failed,    // refused or the file could not be written or read; the operator has been told
};

// The four program-file operations of a main view. Each works on the view's program container or
// program bank through its unit controller; the view hears of the results through IUnitView and
// the operator of failures and questions through the message sink.
//
// - Store program to PC: the container into a single-setting file; the model's extension is
//   appended when the chosen name lacks it (asking before that replaces another file).
// - Recall program from PC: a single-setting file into the container, then the title, every
//   control and, when connected, the unit's live settings follow.
// - Store all programs to PC: only while connected: the unit's 30 memories are read into the
//   bank under the busy display; once the last has arrived the view calls SaveBank, and the bank
//   goes into a library file named for the model (".dat48" appended, or the digits after a bare
//   ".dat").
// - Recall all programs from PC: only while connected: a library file's 30 programs go into the
//   bank and to the unit's memories under the busy display, each memory's name into the program
//   name list once the unit has taken it.
//
// Failures show "File read Error" or "MusicFile Write Error" with the file and the reason on a
// second line ("bank.dat48: ends early at byte 1200 of 1804").
//
// A file whose extension names another model ("x.dia48" in a 2x4 view) is converted by value
// (ModelConversion) and taken only when the operator agrees to a question that names every value
// the conversion limited. A library whose name says no model (".dat") is read as the model its
// bytes fit, this model's first, and is asked for as well, naming that model: 30 memories are
// never written without that question.
class ProgramFileActions {
public:
    // The three must outlive the actions; `messages` may be null (questions are then answered
    // no and nothing is shown).
    ProgramFileActions(UnitController& controller, IUnitView& view, IMessageSink* messages);

    // With the chooser in front; cancelling it ends the operation without effect.
    FileOutcome StoreProgram(IFileChooser& chooser);
    FileOutcome RecallProgram(IFileChooser& chooser);
    FileOutcome StoreAllPrograms();
    FileOutcome SaveBank(IFileChooser& chooser);
    FileOutcome RecallAllPrograms(IFileChooser& chooser);

    // The same on a path already chosen.
    FileOutcome StoreProgramToFile(const std::string& chosenPath);
    FileOutcome RecallProgramFromFile(const std::string& path);
    FileOutcome SaveBankToFile(const std::string& chosenPath);
    FileOutcome RecallAllProgramsFromFile(const std::string& path);

    // The question before a single setting of model `fileType` is taken into a view of
    // `viewType`, naming the values the conversion limited.
    static std::string OtherModelQuestion(int fileType, int viewType,
                                          const std::vector<LimitedValue>& limited);
    // The question before a library is written to the unit when its name names no model
    // (`namedType` 0) or another one: it is read as `fileType` and converted to `viewType`.
    static std::string LibraryQuestion(const std::string& path, int namedType, int fileType,
                                       int viewType, const std::vector<LimitedValue>& limited);
    // The question before a save replaces a file the operator did not choose by that name.
    static std::string ReplaceQuestion(const std::string& path);

private:
    std::optional<std::string> Choose(IFileChooser& chooser, ProgramFileKind kind, bool save);
    bool RequireConnection();
    bool Ask(const std::string& question);
    bool ConfirmReplacing(const std::string& chosenPath, const std::string& path);
    void Show(const std::string& text);

    UnitController& m_controller;
    IUnitView& m_view;
    IMessageSink* m_messages;
};
