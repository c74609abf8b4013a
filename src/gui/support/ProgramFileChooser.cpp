#include "gui/support/ProgramFileChooser.h"

#include "files/ProgramFile.h"
#include "gui/support/ProgramSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

QStringList ProgramFileChooser::NameFilters(ProgramFileKind kind, int deviceType) {
    if (kind == ProgramFileKind::FilterText)
        return {QStringLiteral("Filter texts (*.txt)"), QStringLiteral("All files (*)")};
    if (kind == ProgramFileKind::Measurement)
        return {QStringLiteral("Measurements (*.txt *.frd *.zma *.csv)"),
                QStringLiteral("All files (*)")};
    const bool library = kind == ProgramFileKind::Library;
    QStringList patterns;
    for (const std::string& pattern :
         library ? LibraryPatterns(deviceType) : SingleSettingPatterns(deviceType))
        patterns << QString::fromStdString(pattern);
    const std::string_view label = DeviceModelOf(deviceType).label;
    const QString model = QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
    const QString what =
        library ? QCoreApplication::translate("ProgramFileChooser", "program libraries")
                : QCoreApplication::translate("ProgramFileChooser", "program files");
    return {QStringLiteral("%1 %2 (%3)").arg(model, what, patterns.join(QLatin1Char(' '))),
            QCoreApplication::translate("ProgramFileChooser", "All files (*)")};
}

std::optional<std::string> ProgramFileChooser::ChooseFile(const FileChoice& choice) {
    const QStringList filters = NameFilters(choice.kind, choice.deviceType);
    const QString filter = filters.join(QStringLiteral(";;"));
    QString selected = filters.front();
    const QDir folder(StartFolder());
    QString chosen;
    if (choice.save) {
        // The save chooser proposes the program's name with the model's extension, or starts
        // with the model's pattern ("*.dia48", "*.txt") when there is no name to propose.
        const bool library = choice.kind == ProgramFileKind::Library;
        const bool filterText = choice.kind == ProgramFileKind::FilterText;
        const std::string extension = library      ? LibraryExtension(choice.deviceType)
                                      : filterText ? std::string(".txt")
                                                   : SingleSettingExtension(choice.deviceType);
        const std::string initial = !choice.proposedName.empty() ? choice.proposedName + extension
                                    : library    ? LibraryInitialName(choice.deviceType)
                                    : filterText ? std::string("*.txt")
                                                 : SingleSettingInitialName(choice.deviceType);
        chosen = QFileDialog::getSaveFileName(m_parent, QString(),
                                              folder.filePath(QString::fromStdString(initial)),
                                              filter, &selected);
    } else {
        chosen =
            QFileDialog::getOpenFileName(m_parent, QString(), folder.path(), filter, &selected);
    }
    if (chosen.isEmpty())
        return std::nullopt;
    programsettings::SetLastFileFolder(QFileInfo(chosen).absolutePath());
    return QFile::encodeName(chosen).toStdString();
}

QString ProgramFileChooser::StartFolder() {
    // The folder of the last program file chosen, while it is there; else the current one.
    const QString last = programsettings::LastFileFolder();
    return !last.isEmpty() && QDir(last).exists() ? last : QDir::currentPath();
}
