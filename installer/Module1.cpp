#include "Module1.h"

#include <QFileDialog>

QString browseFolder(QWidget *owner, const QString &prompt)
{
    const QString title = prompt.isEmpty() ? QStringLiteral("选择目录") : prompt;
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}
