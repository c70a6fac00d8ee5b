#pragma once

class QDialog;

// Runs `dialog` (QDialog::exec()) as a modal dialog of the desktop. A dialog
// without a parent window is placed by GNOME's compositor like any new
// window, at the top left, unless it is a modal dialog: on Wayland a client
// says so through GTK's protocol gtk_shell1 (set_modal, as GTK does for its
// own modal dialogs), and then the dialog opens in the middle of the screen.
// Under X11 and on compositors without that protocol the dialog just runs.
int execAsDesktopDialog(QDialog &dialog);
