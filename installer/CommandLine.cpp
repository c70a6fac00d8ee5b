#include "CommandLine.h"

#include <QCommandLineParser>

namespace {

const QString unattendedName = QStringLiteral("unattended");
const QString acceptName = QStringLiteral("accept-agreement");
const QString folderName = QStringLiteral("folder");
const QString keepName = QStringLiteral("keep-package");
const QString helpName = QStringLiteral("help");

CommandLine usageError(const QString &error)
{
    CommandLine line;
    line.mode = CommandLine::Mode::UsageError;
    line.error = error;
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return {};

    QCommandLineParser parser;
    parser.addOptions({
        {unattendedName, QString()},
        {acceptName, QString()},
        {folderName, QString(), QStringLiteral("PATH")},
        {keepName, QString()},
        {{QStringLiteral("h"), helpName}, QString()},
    });
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList {QStringLiteral("install")} + arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (parser.values(folderName).size() > 1)
        return usageError(QStringLiteral("--folder given more than once"));
    if (parser.isSet(helpName)) {
        CommandLine line;
        line.mode = CommandLine::Mode::Help;
        return line;
    }
    if (!parser.isSet(unattendedName)) {
        const QStringList given = parser.optionNames();
        return usageError(given.isEmpty()
                ? QStringLiteral("an option is expected")
                : QStringLiteral("--%1 needs --unattended").arg(given.first()));
    }

    CommandLine line;
    line.mode = CommandLine::Mode::Unattended;
    line.acceptAgreement = parser.isSet(acceptName);
    if (parser.isSet(folderName))
        line.folder = parser.value(folderName);
    line.keepPackage = parser.isSet(keepName);
    return line;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: install\n"
        "       install --unattended --accept-agreement [--folder PATH] [--keep-package]\n"
        "       install --help\n"
        "\n"
        "Without arguments the installer shows its window.\n"
        "\n"
        "  --unattended        install without a window and without a display\n"
        "  --accept-agreement  accept the usage agreement (required to install)\n"
        "  --folder PATH       install into PATH, a full path (default: the folder the\n"
        "                      window would propose)\n"
        "  --keep-package      keep the package folder base/ (it is removed by default)\n"
        "  --help, -h          show this text\n"
        "\n"
        "Exit status: 0 installed, 1 failed while installing, 2 usage error,\n"
        "3 refused (agreement not accepted, folder refused, package broken).\n");
}
