#include "SelectionModel.h"

#include "DeviceGeometry.h"

#include <algorithm>

SelectionModel::SelectionModel(qreal devicePixelRatio) : m_devicePixelRatio(devicePixelRatio) { }

SelectionModel::Outcome SelectionModel::pictureMouseDown(Qt::MouseButton button, QPoint pos)
{
    if (button == Qt::RightButton)
        return cancelOrQuit();
    if (button == Qt::LeftButton) {
        // A new selection replaces any earlier one, starting at zero size.
        m_selectionVisible = true;
        m_isDrawing = true;
        m_startX = pos.x();
        m_startY = pos.y();
        m_selection = QRect(pos, QSize(0, 0));
        m_labelPos = QPoint(m_startX, m_startY - LabelOffset);
        m_labelText.clear();
    }
    return Outcome::Stay;
}

void SelectionModel::pictureMouseMove(QPoint pos)
{
    placeHint(pos);
    if (!m_isDrawing)
        return;
    // The anchor stays the top-left corner: up or left of it the size is zero.
    const int width = std::max(0, pos.x() - m_startX);
    const int height = std::max(0, pos.y() - m_startY);
    m_selection.setSize(QSize(width, height));
    m_labelText = sizeLabelText(selectionDeviceRect().size());
}

void SelectionModel::pictureMouseUp()
{
    m_isDrawing = false;
}

SelectionModel::Outcome SelectionModel::pictureKeyUp(int key)
{
    if (key == Qt::Key_Escape)
        return cancelOrQuit();
    return Outcome::Stay;
}

void SelectionModel::areaMouseDown(Qt::MouseButton button, QPoint pos)
{
    if (button != Qt::LeftButton)
        return;
    m_isDragging = true;
    // The grab offset inside the rectangle reuses the anchor.
    m_startX = pos.x() - m_selection.x();
    m_startY = pos.y() - m_selection.y();
}

void SelectionModel::areaMouseMove(QPoint pos)
{
    if (!m_isDragging) {
        placeHint(pos);
        return;
    }
    // The grabbed point stays under the cursor; the label travels along and
    // keeps its text, the hint box stays where it was. Nothing keeps the
    // rectangle on the picture.
    m_selection.moveTopLeft(QPoint(pos.x() - m_startX, pos.y() - m_startY));
    m_labelPos = QPoint(m_selection.x(), m_selection.y() - LabelOffset);
}

void SelectionModel::areaMouseUp()
{
    m_isDragging = false;
}

SelectionModel::Outcome SelectionModel::cancelOrQuit()
{
    m_labelText.clear();
    m_isDrawing = false;
    if (!m_selectionVisible)
        return Outcome::CloseWindow;
    m_selectionVisible = false;
    return Outcome::Stay;
}

QRect SelectionModel::selectionDeviceRect() const
{
    return DeviceGeometry::selectionDeviceRect(m_selection, m_devicePixelRatio);
}

QString SelectionModel::sizeLabelText(QSize deviceSize)
{
    return QStringLiteral(" %1x %2").arg(deviceSize.width()).arg(deviceSize.height());
}

void SelectionModel::placeHint(QPoint cursor)
{
    m_hintPos = cursor + QPoint(HintOffset, HintOffset);
}
