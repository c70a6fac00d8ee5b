#pragma once

#include <QString>

// Loads Qt's own Chinese translation (qtbase_zh_CN.qm from Qt's translations folder) into the
// running application, whatever the locale: the programs' own texts are Chinese, so the stock
// buttons and dialogs (QMessageBox's OK, QFileDialog) must be too. Call it once the
// QApplication exists. Returns false, changing nothing, when the file is missing or unreadable;
// the stock texts then stay English.
bool loadChineseStockTexts();
// The same from another folder.
bool loadChineseStockTexts(const QString &translationsFolder);
