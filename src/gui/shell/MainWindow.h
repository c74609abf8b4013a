#pragma once

#include "gui/support/ProgramSettings.h"

#include <QMainWindow>
#include <QStringList>

class ChildWindow;
class ControlSurface;
class SelectionScreen;
class QAction;
class QMenu;

// The one main window: fixed 1050 by 720 pixels at the screen's top-left corner, no resizing or
// maximising, no toolbar and no status bar. It hosts one child window at a time and switches the
// device type on the commands ID_DEVICE_4X8, ID_DEVICE_3X6, ID_DEVICE_2X4 and ID_DEVICE_SELECT.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 1050;
    static constexpr int kHeight = 720;
    static constexpr int kRecentFileCount = 4;
    // The settings store (programsettings) keeps the recent-file list, the window's size and
    // the last port, under the program's own names.
    static constexpr const char* kSettingsOrganisation = programsettings::kOrganisation;
    static constexpr const char* kSettingsApplication = programsettings::kApplication;
    static constexpr const char* kBaseTitle = "Tavrel1.0";

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Switches the device type: discards the current child window, its view (and with it the
    // connection to the unit) and its document, then shows a new one. Unknown commands are
    // ignored. Returns whether it switched.
    bool OnCommand(int command);

    ChildWindow* ActiveChild() const { return m_child; }
    // The Edit menu: undo, redo and the A/B comparison of the control surface shown.
    QMenu* EditMenu() const { return m_editMenu; }
    // The hosted control surface, or nullptr while the selection screen is shown.
    ControlSurface* ActiveSurface() const;
    SelectionScreen* SelectionView() const;

    // Most recent first, at most four.
    const QStringList& RecentFiles() const { return m_recentFiles; }
    void AddRecentFile(const QString& path);
    // Recalls a recent file into the current control surface; a file that can no longer be read
    // is taken off the list.
    void OpenRecentFile(int index);

    // The port a new control surface's connect dialog preselects (--port).
    void SetPreferredPort(const QString& port) { m_preferredPort = port; }

private:
    void CreateMenus();
    void UpdateRecentFileMenu();
    void UpdateFileActions();
    // The Edit menu shows the control surface's undo, redo and A/B actions.
    void UpdateEditMenu();
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void ShowAbout();

    ChildWindow* m_child = nullptr;
    QStringList m_recentFiles;
    QString m_preferredPort;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
};
