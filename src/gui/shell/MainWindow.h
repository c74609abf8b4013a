#pragma once

#include "gui/support/ProgramSettings.h"

#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QStringList>

class ChildWindow;
class ControlSurface;
class SelectionScreen;
class QAction;
class QMenu;

// The one main window, at the top-left corner of the screen's free area, without toolbar or status
// bar. It opens at the size it had when the program last ended (1024 by 672 the first time, which
// with its frame fits a 1366 by 768 screen beside a desktop panel), can be resized and maximised
// down to a size at which the control surfaces stay legible, and never opens larger than the
// screen's free area. It hosts one child window at a time and switches the device type on the
// commands ID_DEVICE_4X8, ID_DEVICE_3X6, ID_DEVICE_2X4 and ID_DEVICE_SELECT.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize kDefaultSize{1024, 672};
    // The control surface's form at about 0.9 of its natural size: 9-pixel text.
    static constexpr QSize kMinimumSize{930, 632};
    // What a window frame and title bar add to the window's own size, at most on common desktops.
    static constexpr QSize kFrameAllowance{8, 40};
    static constexpr int kRecentFileCount = 4;
    // The settings store (programsettings) keeps the recent-file list, the window's size and
    // the last port, under the program's own names.
    static constexpr const char* kSettingsOrganisation = programsettings::kOrganisation;
    static constexpr const char* kSettingsApplication = programsettings::kApplication;
    static constexpr const char* kBaseTitle = "Tavrel1.0";

    explicit MainWindow(QWidget* parent = nullptr);
    // Keeps the window's size (its normal size when maximised) for the next run.
    ~MainWindow() override;

    // The size to open with: the stored size (the default when none is stored), made to fit the
    // screen's free area with the frame allowance, and never below the minimum.
    static QSize OpeningSize(QSize stored, const QRect& available);
    // Shows the window, maximised when it was maximised at the end of the last run.
    void ShowAsLastTime();

    // Switches the device type: discards the current child window, its view (and with it the
    // connection to the unit) and its document, then shows a new one. Unknown commands are
    // ignored. Returns whether it switched.
    bool OnCommand(int command);

    ChildWindow* ActiveChild() const { return m_child; }
    // The Edit menu: undo, redo and the A/B comparison of the control surface shown.
    QMenu* EditMenu() const { return m_editMenu; }
    // The Channel menu of the control surface shown (its editors); nullptr on the selection
    // screen.
    QMenu* ChannelMenu() const;
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
    void SaveWindowState() const;

    ChildWindow* m_child = nullptr;
    QStringList m_recentFiles;
    QString m_preferredPort;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
};
