#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

// The capture window's selection logic, free of any widget: it takes the
// window's pointer and key events (positions in logical pixels on the frozen
// picture) and holds what the window shows: the selection rectangle, the size
// label and the hint box. The window copies this state onto its controls.
class SelectionModel
{
public:
    // What the window has to do after an event.
    enum class Outcome { Stay, CloseWindow };

    // The hint box stands this far right of and below the cursor.
    static constexpr int HintOffset = 10;
    // The size label's top edge stands this far above the selection's top.
    static constexpr int LabelOffset = 15;
    // Places and sizes of the controls as the window creates them.
    static constexpr QPoint HintStart {360, 280};
    static constexpr QPoint LabelStart {72, 48};
    static constexpr QRect SelectionStart {80, 96, 81, 57};

    explicit SelectionModel(qreal devicePixelRatio = 1.0);

    // Events on the bare picture.
    Outcome pictureMouseDown(Qt::MouseButton button, QPoint pos);
    void pictureMouseMove(QPoint pos);
    void pictureMouseUp();
    Outcome pictureKeyUp(int key);

    // Events on the selection rectangle; pos is already in picture coordinates.
    void areaMouseDown(Qt::MouseButton button, QPoint pos);
    void areaMouseMove(QPoint pos);
    void areaMouseUp();

    // Hides a shown selection, or asks to close the window when there is none.
    Outcome cancelOrQuit();

    bool isDrawing() const { return m_isDrawing; }
    bool isDragging() const { return m_isDragging; }
    // The anchor while drawing, the grab offset while moving.
    int startX() const { return m_startX; }
    int startY() const { return m_startY; }

    bool selectionVisible() const { return m_selectionVisible; }
    QRect selection() const { return m_selection; }
    // The screen pixels the selection stands for (what a capture takes).
    QRect selectionDeviceRect() const;
    qreal devicePixelRatio() const { return m_devicePixelRatio; }

    QPoint hintPos() const { return m_hintPos; }
    QPoint labelPos() const { return m_labelPos; }
    QString labelText() const { return m_labelText; }

    // " 20x 10": each size behind one blank, the place of a sign.
    static QString sizeLabelText(QSize deviceSize);

private:
    void placeHint(QPoint cursor);

    qreal m_devicePixelRatio;
    bool m_isDrawing = false;
    bool m_isDragging = false;
    int m_startX = 0;
    int m_startY = 0;
    bool m_selectionVisible = false;
    QRect m_selection = SelectionStart;
    QPoint m_hintPos = HintStart;
    QPoint m_labelPos = LabelStart;
    QString m_labelText;
};
