#include "DesktopEntryWriter.h"

namespace platform {

namespace {

// One argument of an Exec= command line, in double quotes.
QString quotedArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// The escapes of a string value: what the reader of the file undoes first.
QString stringValue(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

// A command line as it stands in Exec=: the string-level escapes, and "%" written "%%".
QString execLine(const QString &command)
{
    return stringValue(command).replace(u'%', QStringLiteral("%%"));
}

} // namespace

QString DesktopEntryWriter::execValue(const QString &program)
{
    return execLine(QStringLiteral("sh -c ") + quotedArgument(QStringLiteral("exec \"$0\"")) + u' '
        + quotedArgument(program));
}

QString DesktopEntryWriter::directExecValue(const QString &program)
{
    return execLine(quotedArgument(program));
}

QByteArray DesktopEntryWriter::build(const DesktopEntry &entry)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + stringValue(entry.name) + u'\n';
    if (!entry.chineseName.isEmpty())
        text += QStringLiteral("Name[zh_CN]=") + stringValue(entry.chineseName) + u'\n';
    const bool grants = !entry.grantedInterface.isEmpty();
    text += QStringLiteral("Exec=")
        + (grants ? directExecValue(entry.program) : execValue(entry.program)) + u'\n';
    text += QStringLiteral("Path=") + stringValue(entry.workingFolder) + u'\n';
    if (!entry.icon.isEmpty())
        text += QStringLiteral("Icon=") + stringValue(entry.icon) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    if (!entry.categories.isEmpty())
        text += QStringLiteral("Categories=") + stringValue(entry.categories) + u'\n';
    if (grants) {
        text += QStringLiteral("NoDisplay=true\n");
        text += QStringLiteral("X-KDE-DBUS-Restricted-Interfaces=")
            + stringValue(entry.grantedInterface) + u'\n';
    }
    if (!entry.actions.isEmpty()) {
        text += QStringLiteral("Actions=");
        for (const DesktopAction &action : entry.actions)
            text += action.id + u';';
        text += u'\n';
    }
    for (const DesktopAction &action : entry.actions) {
        text += QStringLiteral("\n[Desktop Action %1]\n").arg(action.id);
        text += QStringLiteral("Name=") + stringValue(action.name) + u'\n';
        text += QStringLiteral("Exec=") + execValue(action.program) + u'\n';
    }
    return text.toUtf8();
}

} // namespace platform
