#pragma once

#include <QString>

class QWidget;

// Asks the user for a folder in a dialog modal to owner, titled prompt ("选择目录" when the
// prompt is empty); only folders can be chosen. Returns the chosen folder's path, or the empty
// text when the dialog was cancelled.
QString browseFolder(QWidget *owner, const QString &prompt);
