#pragma once

#include "CaptureOutcome.h"
#include "SelectionModel.h"

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class FrozenPicture;
class QLabel;
class SelectionFrame;

// The capture window: a frameless window over the primary screen showing the
// frozen screen, on which the user draws and moves a selection. The selection
// logic lives in SelectionModel; this class wires Qt's events to it and shows
// its state on the controls.
class mianForm : public QWidget
{
    Q_OBJECT
public:
    // frozenScreen: the primary screen grabbed before this window exists, with
    // its device pixel ratio set. programFolder: where the capture is written.
    mianForm(const QPixmap &frozenScreen, const QString &programFolder, QWidget *parent = nullptr);

    // Loads the fonts of the window's texts, which takes a while on first use
    // and needs no picture: call it while the frozen picture is on its way.
    static void prepareTexts();

    // Start-up sequence; run once by Form_Load from the constructor.
    void Init();

    bool isDrawing() const { return m_selection.isDrawing(); }
    bool isDragging() const { return m_selection.isDragging(); }
    int startX() const { return m_selection.startX(); }
    int startY() const { return m_selection.startY(); }
    const SelectionModel &selection() const { return m_selection; }

    const QString &programFolder() const { return m_programFolder; }
    // How the capture ended, for the program's exit status and the clipboard
    // hand-off once the window has closed.
    const CaptureOutcome &outcome() const { return m_outcome; }

    // The controls, under their designer names.
    FrozenPicture *Picture1;
    QLabel *Label1;
    QLabel *Text1;
    QLabel *Picture2;
    SelectionFrame *areaimg;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void Picture1_MouseDown(Qt::MouseButton button, QPoint pos);
    void Picture1_MouseMove(QPoint pos);
    void Picture1_MouseUp(Qt::MouseButton button, QPoint pos);
    void Picture1_KeyUp(int key);
    void areaimg_MouseDown(Qt::MouseButton button, QPoint pos);
    void areaimg_MouseMove(QPoint pos);
    void areaimg_MouseUp(Qt::MouseButton button, QPoint pos);
    void areaimg_DblClick();
    void grabKeyboardWhenViewable();

private:
    void Form_Load();
    void Form_Unload();
    void cancelOrQuit();
    void act(SelectionModel::Outcome outcome);
    QPoint areaimgToPicture(QPoint pos) const;
    void showSelectionState();
    void setSizeLabelText(const QString &text);

    QPixmap m_frozenScreen;
    QString m_programFolder;
    SelectionModel m_selection;
    CaptureOutcome m_outcome;
    QTimer m_keyboardGrabRetry;
    int m_keyboardGrabTries = 0;
};
