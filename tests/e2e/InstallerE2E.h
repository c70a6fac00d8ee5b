#pragma once
// Shared ground for the end-to-end tests of the real installer on an Xvfb server (see
// with-xvfb.sh): the installer started in a network namespace of its own, so its install report
// can never leave the machine; its window found and clicked with xdotool; its start button read
// from screenshots by comparing it with buttons rendered here under each caption.

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QThread>

#include <functional>
#include <limits>

namespace installer_e2e {

// Command1's place in the window, and where Check1, Command3 and Label3 take a click (Label3
// grows leftwards with the host, so its right end is always on it).
const QRect command1(16, 192, 129, 41);
const QPoint check1(60, 125);
const QPoint command3(168, 124);
const QPoint label3(362, 216);

// Runs a helper program to its end and returns its standard output, trimmed.
inline QByteArray run(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(15000);
    return process.readAllStandardOutput().trimmed();
}

inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 20000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(50);
    return condition();
}

// The environment of a user whose home, data, configuration and runtime folders all lie below
// `root`, so nothing of the real user's is read or written.
inline QProcessEnvironment scratchUser(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *folder : {"home/Desktop", "data", "config", "run"})
        QDir().mkpath(root + '/' + QLatin1String(folder));
    QFile::setPermissions(root + "/run", QFileDevice::Permissions(0x7700));
    env.insert("HOME", root + "/home");
    env.insert("XDG_DATA_HOME", root + "/data");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("XDG_DESKTOP_DIR", root + "/home/Desktop");
    env.insert("XDG_RUNTIME_DIR", root + "/run");
    return env;
}

// The installer at `program`, started in a network namespace of its own; killed at the end of
// the object unless it has ended.
class Installer
{
public:
    Installer(const QString &program, const QProcessEnvironment &env)
    {
        process.setProcessEnvironment(env);
        // unshare runs the program in its own place: the process is the installer itself.
        process.start("unshare", {"--net", program});
        process.waitForStarted();
    }
    ~Installer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    Installer(const Installer &) = delete;
    Installer &operator=(const Installer &) = delete;

    // Waits for the installer's window and notes where it stands.
    bool findWindow()
    {
        if (!waitUntil([this] {
                window = run({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                    QString::number(process.processId()), "--name", "^VEXA即时通信$"});
                return !window.isEmpty();
            }))
            return false;
        window = window.split('\n').first();
        QThread::msleep(500); // let the first frame be drawn
        for (const QByteArray &line :
            run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n'))
            if (line.startsWith("X=") || line.startsWith("Y="))
                (line[0] == 'X' ? origin.rx() : origin.ry()) = line.mid(2).toInt();
        return true;
    }

    // Clicks the left button at `at` in the window.
    void click(QPoint at, int settleMs = 150) const
    {
        at += origin;
        run({"xdotool", "mousemove", QString::number(at.x()), QString::number(at.y()), "click",
            "1"});
        QThread::msleep(static_cast<unsigned long>(settleMs));
    }

    QProcess process;
    QByteArray window;
    QPoint origin;
};

inline QImage renderButton(const QString &caption, bool enabled)
{
    QWidget window;
    QFont font = window.font();
    font.setPixelSize(11); // the installer window's font
    window.setFont(font);
    QPushButton button(caption, &window);
    button.setGeometry(QRect(QPoint(0, 0), command1.size()));
    button.setEnabled(enabled);
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The caption whose rendering lies nearest to Command1 in `shot` of a window at `window`, among
// every caption of a run over a manifest whose upper index is `upperIndex`.
inline QString captionOf(const QImage &shot, const QPoint &window, int upperIndex)
{
    QList<std::pair<QString, bool>> candidates {{QStringLiteral("开始安装"), true},
        {QStringLiteral("安装中..."), false}, {QStringLiteral("安装完成,打开软件"), true},
        {QStringLiteral("重新安装"), true}};
    for (int i = 0; i <= upperIndex; ++i)
        candidates.append({QStringLiteral("安装中(%1/%2)...").arg(upperIndex).arg(i), false});
    const QImage button
        = shot.copy(command1.translated(window)).convertToFormat(QImage::Format_RGB32);
    QString nearest;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const auto &[caption, enabled] : candidates) {
        const QImage reference = renderButton(caption, enabled);
        qint64 distance = 0;
        for (int y = 0; y < button.height(); ++y)
            for (int x = 0; x < button.width(); ++x) {
                const QRgb a = button.pixel(x, y), b = reference.pixel(x, y);
                distance += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                    + qAbs(qBlue(a) - qBlue(b));
            }
        if (distance < best) {
            best = distance;
            nearest = caption;
        }
    }
    return nearest;
}

} // namespace installer_e2e
