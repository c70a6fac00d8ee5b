#include "StockTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool loadChineseStockTexts()
{
    return loadChineseStockTexts(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool loadChineseStockTexts(const QString &translationsFolder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_zh_CN"), translationsFolder)
        && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
