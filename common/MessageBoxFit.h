#pragma once

#include <QString>

class QFontMetrics;
class QMessageBox;

// Qt's message box wraps a long text at the smaller of half the screen and 500 pixels, breaking
// a path at its separators, and grows as tall as the wrapped text: a long path can push its OK
// button off the screen. These keep such a box on its screen and leave every other box as it is.

// The text to show in lines `lineWidth` pixels wide. Each run of non-blank characters that holds
// a path separator and is wider than a line is elided in the middle, keeping its start and its
// end (the file's name): this alone keeps every path on a line or two. Only when the text would
// still wrap taller than `maxHeight` is each paragraph wider than a line elided in the middle to
// one line, which keeps its start and its end (the operation, the name, the reason). A text that
// fits is returned unchanged.
QString fittedMessageText(
    const QString &text, const QFontMetrics &metrics, int lineWidth, int maxHeight);

// Replaces the text of `box`, before it is shown, with fittedMessageText() for the box's font,
// the width Qt gives its text on the box's screen and that screen's height, and shows it as
// plain text. Call it once the text, icon and buttons are set:
//     QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
//     fitToScreen(box);
//     box.exec();
void fitToScreen(QMessageBox &box);
