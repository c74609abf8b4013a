#pragma once

#include "link/ProgramFileActions.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// The file chooser of every program-file operation (the File menu, the recent-file list's
// neighbours and the program manager): the desktop's file dialog in the folder a program file
// was last chosen in (kept across runs; the process's current directory before the first),
// listing the model's files first and every file second. A save proposes the name it is given
// with the model's extension.
class ProgramFileChooser : public IFileChooser {
public:
    // The dialogs are modal to `parent`'s window.
    explicit ProgramFileChooser(QWidget* parent = nullptr) : m_parent(parent) {}

    std::optional<std::string> ChooseFile(const FileChoice& choice) override;

    // The chooser's filter entries: the model's single-setting files ("4x8 program files
    // (*.dia48)"), libraries ("4x8 program libraries (*.dat48 *.dat)"), filter texts or
    // measurements, then "All files (*)".
    static QStringList NameFilters(ProgramFileKind kind, int deviceType);
    // The folder the chooser opens in.
    static QString StartFolder();

private:
    QPointer<QWidget> m_parent;
};
