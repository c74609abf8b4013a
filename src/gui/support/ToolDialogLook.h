#pragma once

class QWidget;

// The look of the program, copy, channel-name and interface dialogs: the dark background
// RGB(48,54,68) with white captions, labels and group titles, in the desktop's font. Edits, lists
// and buttons keep their light faces.
void ApplyToolDialogLook(QWidget& dialog);
