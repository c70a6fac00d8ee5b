#include "KWinGrant.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

// More than any launcher's entry holds.
constexpr qint64 maxEntryBytes = 64 * 1024;

} // namespace

bool namedForKWinScreenShot(const QString &program, const QString &applicationsFolder)
{
    QFile entry(
        applicationsFolder + u'/' + QFileInfo(program).fileName() + QStringLiteral(".desktop"));
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    QString exec;
    QStringList interfaces;
    bool inMainGroup = false;
    for (const QString &line : QString::fromUtf8(entry.read(maxEntryBytes)).split(u'\n')) {
        if (line.startsWith(u'[')) {
            inMainGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("X-KDE-DBUS-Restricted-Interfaces"))
            interfaces = value.split(u';', Qt::SkipEmptyParts);
    }
    const QStringList words = QProcess::splitCommand(exec);
    return interfaces.contains(QStringLiteral("org.kde.KWin.ScreenShot2")) && !words.isEmpty()
        && QFileInfo(words.first()).canonicalFilePath() == program;
}
