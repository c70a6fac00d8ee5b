#include "WaylandShmBuffers.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace {

// Not the name of any integration: Qt then falls back to shared memory buffers.
constexpr char noIntegration[] = "shm";

QtMessageHandler qtHandler = nullptr;
bool chosenHere = false;

// Qt reports that the named integration was not found; that is the point here, so the two
// lines it writes for it are left out and every other message goes on as before.
void withoutIntegrationNotice(
    QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const bool notice = type == QtWarningMsg && qstrcmp(context.category, "qt.qpa.wayland") == 0
        && (text.startsWith(QLatin1String("Failed to load client buffer integration"))
            || text.startsWith(QLatin1String("Available client buffer integrations")));
    if (!notice)
        qtHandler(type, context, text);
}

} // namespace

void useSharedMemoryBuffersOnWayland()
{
    if (qEnvironmentVariableIsSet("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"))
        return;
    qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", noIntegration);
    qtHandler = qInstallMessageHandler(withoutIntegrationNotice);
    chosenHere = true;
}

void useQtBuffersForDialogsOnWayland()
{
    // Qt reads the variable when it creates its first window.
    if (chosenHere)
        qunsetenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION");
    chosenHere = false;
}
