#include "gui/support/ToolDialogLook.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace {

const QColor kBackground(48, 54, 68);

} // namespace

void ApplyToolDialogLook(QWidget& dialog) {
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 156, 170));
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}
