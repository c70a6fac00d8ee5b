#include "MessageBoxFit.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QStyle>

#include <algorithm>

namespace {

// Qt's own limit for the wrapped width of a message box.
constexpr int qtWrapWidth = 500;
// Far taller than any screen: the height a text takes when nothing limits it.
constexpr int unlimitedHeight = 1 << 24;

bool holdsSeparator(QStringView run)
{
    return run.contains(u'/') || run.contains(u'\\');
}

QString elideLongPaths(const QString &text, const QFontMetrics &metrics, int lineWidth)
{
    QString fitted;
    fitted.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = at;
        const bool blank = text.at(at).isSpace();
        while (end < text.size() && text.at(end).isSpace() == blank)
            ++end;
        const QString run = text.mid(at, end - at);
        const bool tooWide
            = !blank && holdsSeparator(run) && metrics.horizontalAdvance(run) > lineWidth;
        fitted += tooWide ? metrics.elidedText(run, Qt::ElideMiddle, lineWidth) : run;
        at = end;
    }
    return fitted;
}

int wrappedHeight(const QString &text, const QFontMetrics &metrics, int lineWidth)
{
    return metrics.boundingRect(QRect(0, 0, lineWidth, unlimitedHeight), Qt::TextWordWrap, text)
        .height();
}

} // namespace

QString fittedMessageText(
    const QString &text, const QFontMetrics &metrics, int lineWidth, int maxHeight)
{
    const QString fitted = elideLongPaths(text, metrics, lineWidth);
    if (wrappedHeight(fitted, metrics, lineWidth) <= maxHeight)
        return fitted;
    QStringList paragraphs = fitted.split(u'\n');
    for (QString &paragraph : paragraphs)
        paragraph = metrics.elidedText(paragraph, Qt::ElideMiddle, lineWidth);
    return paragraphs.join(u'\n');
}

void fitToScreen(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    box.ensurePolished();
    const QScreen *screen = box.screen();
    const QLabel *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const auto *buttons = box.findChild<QDialogButtonBox *>();
    if (!screen || !label || !buttons || !box.layout())
        return;
    // Lays the box out once, so the room around its text can be measured.
    box.layout()->activate();
    const QRect available = screen->availableGeometry();
    const int lineWidth
        = std::min(available.width() / 2, qtWrapWidth) - (box.width() - label->width());
    // Above the text its margin, below it the buttons, and room for a window manager's frame.
    const int around = label->y() + std::max(box.layout()->spacing(), 0) + box.height()
        - buttons->y() + 2 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    box.setText(fittedMessageText(
        box.text(), label->fontMetrics(), lineWidth, available.height() - around));
}
