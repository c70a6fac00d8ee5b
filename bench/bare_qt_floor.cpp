// The floor a capture program's start-up is measured against: a plain Qt
// program that grabs the primary screen with Qt, shows it full-screen and
// quits on Esc. Besides the picture it fills the rectangle where the capture
// window's hint box first stands, in the same colour, so the start-up
// benchmark sees both frames by the same pixel.
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace {

class FrozenScreen : public QWidget
{
public:
    explicit FrozenScreen(const QPixmap &picture) : m_picture(picture) { }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture);
        painter.fillRect(360, 280, 137, 57, palette().highlight());
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape)
            close();
    }

private:
    QPixmap m_picture;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QScreen *screen = QGuiApplication::primaryScreen();
    FrozenScreen window(screen->grabWindow(0));
    // The full-screen state alone leaves the window at its default size where
    // no window manager acts on it (a bare X server): cover the screen anyway.
    window.setGeometry(screen->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
