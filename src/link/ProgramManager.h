#pragma once

#include "link/ProgramFileActions.h"

#include <string>
#include <string_view>

class UnitController;
class IMessageSink;

// What the program manager moves a program with: between the editor and one of the unit's
// memories (the device action) ...
enum class DeviceProgramAction { Recall = 0, Store = 1 };
// ... or between the editor or the unit's memories and files on the PC (the PC action).
enum class PcProgramAction {
    StoreProgram = 0,      // "Store Program to PC"
    RecallProgram = 1,     // "Recall Program From PC"
    RecallAllPrograms = 2, // "Recall  all Program From PC"
    StoreAllPrograms = 3,  // "Store all Program to PC "
};

// The program manager's choices carried out. It checks the connection and the name; the
// transfers are the unit controller's and the file actions'.
class ProgramManager {
public:
    static constexpr const char* kEmptyNameText = "Program Name is not empty";

    // All three must outlive the manager; `messages` may be null.
    ProgramManager(UnitController& controller, ProgramFileActions& files, IMessageSink* messages);

    // Name of program memory `number` (1..30) in the program name list; "" for other numbers.
    const std::string& ProgramName(int number) const;

    // Device action on program memory `number` (1..30) with the name in the edit. Not
    // connected: "Please to Open COM-Port". Leading blanks are removed; a Store with nothing
    // left: "Program Name is not empty". Otherwise the memory is read into the editor, which
    // takes the memory's listed name with it, or the editor is stored into it under the name,
    // which becomes the container's program name, the memory's entry in the name list and the
    // title once the unit has acknowledged the store. Returns whether the transfer started; a
    // refusal changes and sends nothing.
    bool RunDeviceAction(DeviceProgramAction action, int number, std::string_view typedName);

    // PC action: one of the four file operations, with `chooser` for the file. The two "all"
    // operations need a connected unit.
    FileOutcome RunPcAction(PcProgramAction action, IFileChooser& chooser);

private:
    void Show(const char* text);

    UnitController& m_controller;
    ProgramFileActions& m_files;
    IMessageSink* m_messages;
};
