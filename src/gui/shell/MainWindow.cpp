#include "gui/shell/MainWindow.h"

#include "gui/shell/ChildWindow.h"
#include "gui/shell/SelectionScreen.h"
#include "gui/support/ProgramSettings.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceDocument.h"

#include "TavrelVersion.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

#include <functional>

namespace {

QSettings OpenSettings() {
    return programsettings::Open();
}

constexpr const char* kRecentGroup = "Recent File List";
constexpr const char* kSizeKey = "MainWindow/Size";
constexpr const char* kMaximisedKey = "MainWindow/Maximised";

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    // The control surfaces scale with the window; below the minimum their text gets too small.
    setMinimumSize(kMinimumSize);
    const QRect available = screen()->availableGeometry();
    resize(OpeningSize(OpenSettings().value(QLatin1String(kSizeKey)).toSize(), available));
    move(available.topLeft());
    setWindowTitle(QString::fromLatin1(kBaseTitle));
    LoadRecentFiles();
    CreateMenus();
}

MainWindow::~MainWindow() {
    SaveWindowState();
    // The child (view before document) goes before the window's other parts.
    delete m_child;
    m_child = nullptr;
}

QSize MainWindow::OpeningSize(QSize stored, const QRect& available) {
    const QSize wanted = stored.isValid() && !stored.isEmpty() ? stored : kDefaultSize;
    QSize size = wanted;
    if (available.isValid())
        size = wanted.boundedTo(available.size() - kFrameAllowance);
    return size.expandedTo(kMinimumSize);
}

void MainWindow::ShowAsLastTime() {
    if (OpenSettings().value(QLatin1String(kMaximisedKey), false).toBool())
        showMaximized();
    else
        show();
}

void MainWindow::SaveWindowState() const {
    const bool maximised = isMaximized();
    // A maximised window keeps the size it will return to.
    const QSize size =
        maximised && normalGeometry().isValid() ? normalGeometry().size() : this->size();
    QSettings settings = OpenSettings();
    settings.setValue(QLatin1String(kSizeKey), size);
    settings.setValue(QLatin1String(kMaximisedKey), maximised);
}

ControlSurface* MainWindow::ActiveSurface() const {
    return m_child ? qobject_cast<ControlSurface*>(m_child->View()) : nullptr;
}

QMenu* MainWindow::ChannelMenu() const {
    const ControlSurface* surface = ActiveSurface();
    return surface ? surface->ChannelMenu() : nullptr;
}

SelectionScreen* MainWindow::SelectionView() const {
    return m_child ? qobject_cast<SelectionScreen*>(m_child->View()) : nullptr;
}

bool MainWindow::OnCommand(int command) {
    // The device type of the command's control surface; 0 for the selection screen.
    const int deviceType = DeviceTypeOfCommand(command);
    if (deviceType == 0 && command != ID_DEVICE_SELECT)
        return false;

    // 1. Close the active document: view (and connection), child window and document go.
    //    Nothing is asked and nothing is saved.
    if (m_child) {
        takeCentralWidget();
        delete m_child;
        m_child = nullptr;
    }

    // 2.-4. A fresh document and a new child window with the command's view.
    auto* child = new ChildWindow(std::make_unique<SurfaceDocument>(), this);
    ControlSurface* surface = nullptr;
    if (deviceType != 0) {
        surface = new ControlSurface(deviceType, child->Document());
        child->SetView(surface);
    } else {
        auto* selection = new SelectionScreen;
        child->SetView(selection);
        // Queued: the switch destroys the view whose button issued the command.
        connect(selection, &SelectionScreen::commandIssued, this, &MainWindow::OnCommand,
                Qt::QueuedConnection);
    }
    setCentralWidget(child);
    m_child = child;

    // 5. The view's initial update; its controls stand at fixed places already.
    if (surface) {
        surface->OnInitialUpdate();
        surface->SetRememberedPort(m_preferredPort.toStdString());
        connect(surface, &ControlSurface::commandIssued, this, &MainWindow::OnCommand,
                Qt::QueuedConnection);
        connect(surface, &ControlSurface::titleChanged, this, &QWidget::setWindowTitle);
        connect(surface, &ControlSurface::programFileUsed, this, &MainWindow::AddRecentFile);
        connect(surface, &ControlSurface::portConnected, this, &MainWindow::SetPreferredPort);
        // The surface's Channel and Graph menus, before Help; they go with the surface.
        menuBar()->insertMenu(m_helpMenu->menuAction(), surface->ChannelMenu());
        menuBar()->insertMenu(m_helpMenu->menuAction(), surface->GraphMenu());
        surface->setFocus();
    }
    child->show();

    // 6. The title of the new state: the base title, and the model's label after it.
    QString title = QString::fromLatin1(kBaseTitle);
    if (deviceType != 0) {
        const std::string_view label = DeviceModelOf(deviceType).label;
        title += QLatin1Char(' ') +
                 QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
    }
    setWindowTitle(title);
    UpdateFileActions();
    UpdateEditMenu();
    return true;
}

void MainWindow::CreateMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    m_openAction = file->addAction(tr("&Open..."));
    m_openAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    connect(m_openAction, &QAction::triggered, this, [this] {
        if (ControlSurface* surface = ActiveSurface())
            surface->RecallProgramFromFileChosen();
    });
    m_saveAction = file->addAction(tr("&Save..."));
    m_saveAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(m_saveAction, &QAction::triggered, this, [this] {
        if (ControlSurface* surface = ActiveSurface())
            surface->StoreProgramToFileChosen();
    });
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent File"));
    file->addSeparator();
    QAction* exitAction = file->addAction(tr("E&xit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    m_editMenu = menuBar()->addMenu(tr("&Edit"));
    UpdateEditMenu();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    m_helpMenu = help;
    QAction* about = help->addAction(tr("&About Tavrel1.0..."));
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
    UpdateRecentFileMenu();
    UpdateFileActions();
}

void MainWindow::UpdateFileActions() {
    // Program files belong to a control surface; the selection screen has none.
    const bool surface = ActiveSurface() != nullptr;
    if (m_openAction)
        m_openAction->setEnabled(surface);
    if (m_saveAction)
        m_saveAction->setEnabled(surface);
    UpdateRecentFileMenu();
}

void MainWindow::UpdateEditMenu() {
    if (!m_editMenu)
        return;
    // The surface owns its actions; clearing drops only the separators.
    m_editMenu->clear();
    ControlSurface* surface = ActiveSurface();
    m_editMenu->setEnabled(surface != nullptr);
    if (!surface)
        return;
    const QList<QAction*> actions = surface->EditActions();
    for (int i = 0; i < actions.size(); ++i) {
        if (i == 2) // undo and redo, then the A/B comparison
            m_editMenu->addSeparator();
        m_editMenu->addAction(actions[i]);
    }
}

void MainWindow::UpdateRecentFileMenu() {
    if (!m_recentMenu)
        return;
    m_recentMenu->clear();
    if (m_recentFiles.isEmpty()) {
        m_recentMenu->addAction(tr("Recent File"))->setEnabled(false);
        return;
    }
    const bool surface = ActiveSurface() != nullptr;
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString text =
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(m_recentFiles[i]));
        QAction* action = m_recentMenu->addAction(text);
        action->setEnabled(surface);
        connect(action, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
    }
}

void MainWindow::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.removeLast();
    SaveRecentFiles();
    UpdateRecentFileMenu();
}

void MainWindow::OpenRecentFile(int index) {
    ControlSurface* surface = ActiveSurface();
    if (!surface || index < 0 || index >= m_recentFiles.size())
        return;
    const QString path = m_recentFiles[index];
    // Taken off only when it cannot be read; declining a file of another model keeps it.
    if (surface->RecallProgramFromFile(path) == FileOutcome::Failed) {
        m_recentFiles.removeAll(path);
        SaveRecentFiles();
        UpdateRecentFileMenu();
    }
}

void MainWindow::LoadRecentFiles() {
    QSettings settings = OpenSettings();
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_recentFiles.contains(path))
            m_recentFiles.append(path);
    }
}

void MainWindow::SaveRecentFiles() const {
    QSettings settings = OpenSettings();
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_recentFiles.size())
            settings.setValue(key, m_recentFiles[i - 1]);
        else
            settings.remove(key);
    }
}

void MainWindow::ShowAbout() {
    QMessageBox::about(this, tr("About Tavrel1.0"),
                       tr("Tavrel Version %1\n\nControl program for the 4x8, 3x6 "
                          "and 2x4 loudspeaker processors.")
                           .arg(QLatin1String(kTavrelVersion)));
}
