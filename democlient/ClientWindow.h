#pragma once

#include <QWidget>

// The demo client's only window: says that this is the VEXA client, that the
// installation worked, and which folder the program runs from.
class ClientWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ClientWindow(const QString &programFolder, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
