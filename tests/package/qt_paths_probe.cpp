// Prints the folders Qt takes its plugins and translations from, as a program beside a qt.conf
// sees them, then the OK button's text in Qt's Chinese translation loaded from there.
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QTranslator translator;
    QTextStream out(stdout);
    out << QLibraryInfo::path(QLibraryInfo::PluginsPath) << '\n' << translations << '\n';
    if (translator.load(QStringLiteral("qtbase_zh_CN"), translations))
        out << translator.translate("QPlatformTheme", "OK") << '\n';
    return 0;
}
