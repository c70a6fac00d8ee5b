#include "DesktopDialog.h"

#include "gtk-shell-client-protocol.h"

#include <QDialog>
#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <cstring>
#include <wayland-client.h>

namespace {

// The compositor's gtk_shell1, looked up on a queue of our own, so that Qt's
// dispatch of its events never meets our objects.
class GtkShell
{
public:
    explicit GtkShell(wl_display *display)
        : m_display(display), m_queue(wl_display_create_queue(display))
    {
        auto *wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), m_queue);
        m_registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        wl_registry_add_listener(m_registry, &registryListener, this);
        wl_display_roundtrip_queue(m_display, m_queue);
    }
    ~GtkShell()
    {
        if (m_surface)
            gtk_surface1_destroy(m_surface);
        if (m_shell)
            gtk_shell1_destroy(m_shell);
        wl_registry_destroy(m_registry);
        wl_event_queue_destroy(m_queue);
    }
    GtkShell(const GtkShell &) = delete;
    GtkShell &operator=(const GtkShell &) = delete;

    // Needs the window's role (xdg_toplevel) given, and no picture of it shown yet.
    void makeModal(wl_surface *surface)
    {
        if (!m_shell || !surface)
            return;
        m_surface = gtk_shell1_get_gtk_surface(m_shell, surface);
        gtk_surface1_set_modal(m_surface);
        wl_display_flush(m_display);
    }

private:
    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
        uint32_t /*version*/)
    {
        auto *self = static_cast<GtkShell *>(data);
        if (std::strcmp(interface, gtk_shell1_interface.name) == 0 && !self->m_shell)
            self->m_shell = static_cast<gtk_shell1 *>(
                wl_registry_bind(registry, name, &gtk_shell1_interface, 1));
    }
    static void globalRemove(void *, wl_registry *, uint32_t) { }
    static constexpr wl_registry_listener registryListener = {global, globalRemove};

    wl_display *m_display;
    wl_event_queue *m_queue;
    wl_registry *m_registry = nullptr;
    gtk_shell1 *m_shell = nullptr;
    gtk_surface1 *m_surface = nullptr;
};

} // namespace

int execAsDesktopDialog(QDialog &dialog)
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *display = native && QGuiApplication::platformName() == QLatin1String("wayland")
        ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
        : nullptr;
    if (!display)
        return dialog.exec();
    GtkShell shell(display);
    dialog.setWindowModality(Qt::ApplicationModal);
    // Showing gives the window its role; its first picture waits for the
    // compositor's configure, which Qt handles only once the event loop runs.
    dialog.show();
    shell.makeModal(static_cast<wl_surface *>(
        native->nativeResourceForWindow("surface", dialog.windowHandle())));
    return dialog.exec();
}
