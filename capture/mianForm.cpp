#include "mianForm.h"

#include "Crop.h"
#include "FrozenPicture.h"
#include "Moduleimg.h"
#include "SelectionFrame.h"
#include "WaylandSession.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

namespace {

// Hint box lines: an empty first line, then three lines each behind a blank.
const QString hintText = QStringLiteral("\n"
                                        " 当前截屏状态\n"
                                        " Esc/右键退出\n"
                                        " 双击截屏区域完成截屏\n");

// An X keyboard grab only succeeds once the window is viewable, which a
// window manager may delay; retry briefly before giving up.
constexpr int keyboardGrabRetryMs = 25;
constexpr int keyboardGrabMaxTries = 200;

constexpr int jpegQuality = 80;

// The capture file beside the program, joined as it comes: a folder that
// already ends in a separator gives a doubled one, which is passed on.
QString captureFilePath(const QString &programFolder)
{
    return programFolder + QDir::separator() + QStringLiteral("doduvora.jpg");
}

} // namespace

mianForm::mianForm(const QPixmap &frozenScreen, const QString &programFolder, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_frozenScreen(frozenScreen)
    , m_programFolder(programFolder)
    , m_selection(frozenScreen.isNull() ? 1.0 : frozenScreen.devicePixelRatio())
{
    setWindowTitle(QStringLiteral("vexacaptScreen"));
    // Nothing of the window's own shows before the frozen picture does.
    setAttribute(Qt::WA_NoSystemBackground);
    // Under XWayland the compositor shows an X window as soon as it is mapped, before its first
    // paint, with the pixels it starts with: black in an opaque window, nothing in a translucent
    // one, which then shows the screen beneath, as the frozen picture does, until it is painted.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && onWaylandSession())
        setAttribute(Qt::WA_TranslucentBackground);

    // Controls as created; Init places and fills them.
    Picture1 = new FrozenPicture(this);
    Picture1->setGeometry(24, 24, 289, 265);

    Label1 = new QLabel(QStringLiteral("记录宽高"), Picture1);
    Label1->setGeometry(QRect(SelectionModel::LabelStart, QSize(121, 17)));
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1->setBackgroundRole(QPalette::Button);
    Label1->setForegroundRole(QPalette::ButtonText);

    areaimg = new SelectionFrame(Picture1);
    areaimg->setGeometry(SelectionModel::SelectionStart);

    Text1 = new QLabel(QStringLiteral("Text1"), this);
    Text1->setGeometry(QRect(SelectionModel::HintStart, QSize(137, 57)));
    Text1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Text1->setContentsMargins(2, 0, 2, 0);
    // Light text on the highlight colour, like a selected text.
    Text1->setAutoFillBackground(true);
    Text1->setBackgroundRole(QPalette::Highlight);
    Text1->setForegroundRole(QPalette::Base);
    // The hint box trails the cursor and must neither catch its presses nor
    // take the keyboard focus from the picture.
    Text1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Text1->setFocusPolicy(Qt::NoFocus);

    Picture2 = new QLabel(this);
    Picture2->setGeometry(352, 24, 153, 89);
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    connect(Picture1, &FrozenPicture::mousePressed, this, &mianForm::Picture1_MouseDown);
    connect(Picture1, &FrozenPicture::mouseMoved, this, &mianForm::Picture1_MouseMove);
    connect(Picture1, &FrozenPicture::mouseReleased, this, &mianForm::Picture1_MouseUp);
    connect(Picture1, &FrozenPicture::keyReleased, this, &mianForm::Picture1_KeyUp);
    connect(areaimg, &SelectionFrame::mousePressed, this, &mianForm::areaimg_MouseDown);
    connect(areaimg, &SelectionFrame::mouseMoved, this, &mianForm::areaimg_MouseMove);
    connect(areaimg, &SelectionFrame::mouseReleased, this, &mianForm::areaimg_MouseUp);
    connect(areaimg, &SelectionFrame::doubleClicked, this, &mianForm::areaimg_DblClick);

    m_keyboardGrabRetry.setInterval(keyboardGrabRetryMs);
    connect(&m_keyboardGrabRetry, &QTimer::timeout, this, &mianForm::grabKeyboardWhenViewable);

    Form_Load();
}

void mianForm::prepareTexts()
{
    QFontMetrics(QGuiApplication::font())
        .boundingRect(hintText + QStringLiteral("记录宽高 0123456789"));
}

void mianForm::Form_Load()
{
    Init();
}

void mianForm::Init()
{
    // Cover the primary screen, whether or not a window manager honours the
    // full-screen state.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect screenGeometry = screen
        ? screen->geometry()
        : QRect(QPoint(0, 0), m_frozenScreen.deviceIndependentSize().toSize());
    setGeometry(screenGeometry);
    setWindowState(Qt::WindowFullScreen);
    Text1->setVisible(false);

    Picture1->setGeometry(QRect(QPoint(0, 0), screenGeometry.size()));
    Picture1->setPicture(m_frozenScreen);

    Picture2->setVisible(false);
    areaimg->setVisible(false);
    m_selection = SelectionModel(m_selection.devicePixelRatio());
    setSizeLabelText(QString());
    Text1->setVisible(true);
    Picture1->setCursor(Qt::CrossCursor);
    Text1->setText(hintText);
    // Grown where the toolkit's default font needs more room than the box
    // was made with, so no line is cut off.
    Text1->resize(Text1->size().expandedTo(Text1->sizeHint()));
    Picture1->setFocus();
}

void mianForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Take the keyboard even under a window manager that hands out focus only
    // on request: Esc must reach the picture from the first moment.
    activateWindow();
    raise();
    m_keyboardGrabTries = 0;
    grabKeyboardWhenViewable();
}

void mianForm::grabKeyboardWhenViewable()
{
    QWindow *window = windowHandle();
    if (window && window->setKeyboardGrabEnabled(true)) {
        m_keyboardGrabRetry.stop();
        Picture1->grabKeyboard();
        return;
    }
    if (++m_keyboardGrabTries >= keyboardGrabMaxTries) {
        // No grab to be had (e.g. a platform without one): focus alone must do.
        m_keyboardGrabRetry.stop();
        return;
    }
    if (!m_keyboardGrabRetry.isActive())
        m_keyboardGrabRetry.start();
}

void mianForm::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void mianForm::Form_Unload()
{
    m_keyboardGrabRetry.stop();
    Picture1->releaseKeyboard();
    Picture1->unsetCursor();
    Text1->setVisible(false);
}

void mianForm::Picture1_MouseDown(Qt::MouseButton button, QPoint pos)
{
    act(m_selection.pictureMouseDown(button, pos));
}

void mianForm::Picture1_MouseMove(QPoint pos)
{
    m_selection.pictureMouseMove(pos);
    showSelectionState();
}

void mianForm::Picture1_MouseUp(Qt::MouseButton, QPoint)
{
    m_selection.pictureMouseUp();
}

void mianForm::Picture1_KeyUp(int key)
{
    act(m_selection.pictureKeyUp(key));
}

void mianForm::areaimg_MouseDown(Qt::MouseButton button, QPoint pos)
{
    m_selection.areaMouseDown(button, areaimgToPicture(pos));
}

void mianForm::areaimg_MouseMove(QPoint pos)
{
    m_selection.areaMouseMove(areaimgToPicture(pos));
    showSelectionState();
}

void mianForm::areaimg_MouseUp(Qt::MouseButton, QPoint)
{
    m_selection.areaMouseUp();
}

void mianForm::areaimg_DblClick()
{
    // Only the width gates the capture; a flat selection goes through.
    const QRect selected = m_selection.selection();
    if (selected.width() <= 0)
        return;

    const QImage picture
        = cropSelection(m_frozenScreen.toImage(), m_selection.selectionDeviceRect());
    Picture2->resize(selected.size());
    Picture2->setPixmap(QPixmap::fromImage(picture));

    if (picture.isNull()) {
        // No screen pixels to take (no height, or no frozen picture under
        // it after a failed grab): the user's clipboard and an earlier file
        // stay as they are, and the run does not end as a success.
        m_outcome.exitStatus = CaptureOutcome::FileNotWritten;
    } else {
        // The clipboard first, so a file that cannot be written still
        // leaves the picture to paste.
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setImage(picture);
        m_outcome.clipboardSet = true;
        m_outcome.exitStatus = saveJpeg(picture, captureFilePath(m_programFolder), jpegQuality)
            ? CaptureOutcome::FileWritten
            : CaptureOutcome::FileNotWritten;
    }
    close();
}

void mianForm::cancelOrQuit()
{
    act(m_selection.cancelOrQuit());
}

void mianForm::act(SelectionModel::Outcome outcome)
{
    showSelectionState();
    if (outcome == SelectionModel::Outcome::CloseWindow)
        close();
}

QPoint mianForm::areaimgToPicture(QPoint pos) const
{
    // Relative to the rectangle's top-left corner where it stands now.
    return areaimg->pos() + pos;
}

void mianForm::showSelectionState()
{
    areaimg->setGeometry(m_selection.selection());
    areaimg->setVisible(m_selection.selectionVisible());
    Label1->move(m_selection.labelPos());
    setSizeLabelText(m_selection.labelText());
    Text1->move(m_selection.hintPos());
}

void mianForm::setSizeLabelText(const QString &text)
{
    Label1->setText(text);
    // Readable over any picture while it shows a size, invisible while empty.
    Label1->setAutoFillBackground(!text.isEmpty());
}
