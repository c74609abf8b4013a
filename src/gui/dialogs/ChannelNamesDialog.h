#pragma once

#include <QDialog>

#include <vector>

class ShortTextEdit;
class UnitController;
class QGroupBox;
class QLabel;

// The channel-name dialog "Ch Setup": one name edit per channel of the model ("CHA".. for the
// inputs, "CH1".. for the outputs), 8 characters each. A name is committed when its edit loses
// the focus, or on Enter, and only when it was changed: the channel record takes it (the unit
// receives it on the next send tick) and the main view's name label follows. Esc in a changed
// edit brings the name back that it showed before typing. Neither key closes the dialog; it
// closes through its close box, committing the edit being typed in.
class ChannelNamesDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = QT_TR_NOOP("Ch Setup");

    // `controller` renames the records (and tells its view); it must outlive the dialog.
    explicit ChannelNamesDialog(UnitController& controller, QWidget* parent = nullptr);
    ~ChannelNamesDialog() override;

    // The parts of one channel; nullptr for a channel the model lacks.
    ShortTextEdit* NameEdit(bool output, int channel) const;
    QLabel* NameLabel(bool output, int channel) const;

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Row {
        QLabel* label = nullptr;
        ShortTextEdit* edit = nullptr;
    };
    // A row of `group`'s grid: the channel's tag and its name's edit.
    Row MakeRow(QGroupBox* group, bool output, int channel);
    const Row* RowOf(bool output, int channel) const;
    void Commit(bool output, int channel, const QString& text);
    void ShowName(bool output, int channel);

    UnitController& m_controller;
    std::vector<Row> m_inputs;
    std::vector<Row> m_outputs;
};
