#include "ShortcutReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

} // namespace

bool shortcutReadersPresent()
{
    bool present = true;
    for (const char *reader : {"lnkinfo", "exiftool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(reader)).isEmpty()) {
            ADD_FAILURE() << reader << " is missing: scripts/setup.sh installs it";
            present = false;
        }
    }
    return present;
}

// lnkinfo prints "\tLocal path\t\t\t: <path>" and "\tIcon location\t\t: <path>".
ShortcutReadBack readWithLnkinfo(const QString &file)
{
    ShortcutReadBack result;
    for (const QString &line :
        QString::fromUtf8(run(QStringLiteral("lnkinfo"), {file})).split(u'\n')) {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        const QString key = line.left(colon).trimmed();
        if (colon > 0 && key == QLatin1String("Local path"))
            result.target = line.mid(colon + 2);
        if (colon > 0 && key == QLatin1String("Icon location"))
            result.icon = line.mid(colon + 2);
    }
    return result;
}

ShortcutReadBack readWithExiftool(const QString &file)
{
    const QByteArray json = run(QStringLiteral("exiftool"), {QStringLiteral("-j"), file});
    const QJsonObject tags = QJsonDocument::fromJson(json).array().at(0).toObject();
    return {tags.value(QLatin1String("LocalBasePath")).toString(),
        tags.value(QLatin1String("IconFileName")).toString()};
}

} // namespace testsupport
