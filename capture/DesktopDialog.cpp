#include "DesktopDialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <cstring>
#include <dlfcn.h>
#include <wayland-client-protocol.h>

namespace {

// GTK's protocol gtk_shell1 (gdk/wayland/protocol/gtk-shell.xml), version 1,
// as far as it is used here: the requests up to set_modal keep their order,
// the events are there to be read.
const wl_interface *noTypes[6] = {};
const wl_interface *getGtkSurfaceTypes[2] = {}; // gtk_surface1, wl_surface: filled in below

const wl_message gtkSurfaceRequests[] = {
    {"set_dbus_properties", "?s?s?s?s?s?s", noTypes},
    {"set_modal", "", noTypes},
};
const wl_message gtkSurfaceEvents[] = {{"configure", "a", noTypes}};
const wl_interface gtkSurfaceInterface
    = {"gtk_surface1", 1, 2, gtkSurfaceRequests, 1, gtkSurfaceEvents};
constexpr uint32_t gtkSurfaceSetModal = 1;

const wl_message gtkShellRequests[] = {{"get_gtk_surface", "no", getGtkSurfaceTypes}};
const wl_message gtkShellEvents[] = {{"capabilities", "u", noTypes}};
const wl_interface gtkShellInterface = {"gtk_shell1", 1, 1, gtkShellRequests, 1, gtkShellEvents};
constexpr uint32_t gtkShellGetGtkSurface = 0;

// The Wayland client library that Qt's Wayland platform loaded. The program
// does not link it, so that it also starts where no Wayland library is installed.
struct WaylandClient
{
    void *library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_NOLOAD);
    template<typename T> T *symbol(const char *name) const
    {
        return library ? reinterpret_cast<T *>(dlsym(library, name)) : nullptr;
    }
#define VEXA_WAYLAND(name)                                                                         \
    decltype(&::name) name = symbol<std::remove_pointer_t<decltype(&::name)>>(#name)
    VEXA_WAYLAND(wl_display_create_queue);
    VEXA_WAYLAND(wl_display_roundtrip_queue);
    VEXA_WAYLAND(wl_display_flush);
    VEXA_WAYLAND(wl_event_queue_destroy);
    VEXA_WAYLAND(wl_proxy_create_wrapper);
    VEXA_WAYLAND(wl_proxy_wrapper_destroy);
    VEXA_WAYLAND(wl_proxy_set_queue);
    VEXA_WAYLAND(wl_proxy_marshal_flags);
    VEXA_WAYLAND(wl_proxy_add_listener);
    VEXA_WAYLAND(wl_proxy_destroy);
#undef VEXA_WAYLAND
    const wl_interface *registryInterface = symbol<const wl_interface>("wl_registry_interface");
    const wl_interface *surfaceInterface = symbol<const wl_interface>("wl_surface_interface");

    ~WaylandClient()
    {
        if (library)
            dlclose(library);
    }
    bool complete() const
    {
        return wl_display_create_queue && wl_display_roundtrip_queue && wl_display_flush
            && wl_event_queue_destroy && wl_proxy_create_wrapper && wl_proxy_wrapper_destroy
            && wl_proxy_set_queue && wl_proxy_marshal_flags && wl_proxy_add_listener
            && wl_proxy_destroy && registryInterface && surfaceInterface;
    }
};

// The compositor's gtk_shell1, looked up on a queue of our own, so that Qt's
// dispatch of its events never meets our objects.
class GtkShell
{
public:
    GtkShell(const WaylandClient &client, wl_display *display)
        : m_client(client), m_display(display), m_queue(client.wl_display_create_queue(display))
    {
        getGtkSurfaceTypes[0] = &gtkSurfaceInterface;
        getGtkSurfaceTypes[1] = client.surfaceInterface;
        auto *wrapper = static_cast<wl_proxy *>(client.wl_proxy_create_wrapper(display));
        client.wl_proxy_set_queue(wrapper, m_queue);
        m_registry = client.wl_proxy_marshal_flags(
            wrapper, WL_DISPLAY_GET_REGISTRY, client.registryInterface, 1, 0, nullptr);
        client.wl_proxy_wrapper_destroy(wrapper);
        client.wl_proxy_add_listener(m_registry,
            reinterpret_cast<void (**)(void)>(const_cast<wl_registry_listener *>(&listener)), this);
        client.wl_display_roundtrip_queue(m_display, m_queue);
    }
    ~GtkShell()
    {
        for (wl_proxy *proxy : {m_surface, m_shell, m_registry})
            if (proxy)
                m_client.wl_proxy_destroy(proxy);
        m_client.wl_event_queue_destroy(m_queue);
    }
    GtkShell(const GtkShell &) = delete;
    GtkShell &operator=(const GtkShell &) = delete;

    // Needs the window's role (xdg_toplevel) given, and no picture of it shown yet.
    void makeModal(wl_surface *surface)
    {
        if (!m_shell || !surface)
            return;
        m_surface = m_client.wl_proxy_marshal_flags(
            m_shell, gtkShellGetGtkSurface, &gtkSurfaceInterface, 1, 0, nullptr, surface);
        m_client.wl_proxy_marshal_flags(m_surface, gtkSurfaceSetModal, nullptr, 1, 0);
        m_client.wl_display_flush(m_display);
    }

private:
    static void global(
        void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
    {
        auto *self = static_cast<GtkShell *>(data);
        if (std::strcmp(interface, gtkShellInterface.name) != 0 || self->m_shell)
            return;
        self->m_shell = self->m_client.wl_proxy_marshal_flags(
            reinterpret_cast<wl_proxy *>(registry), WL_REGISTRY_BIND, &gtkShellInterface, 1, 0,
            name, gtkShellInterface.name, 1u, nullptr);
    }
    static void globalRemove(void *, wl_registry *, uint32_t) { }
    static constexpr wl_registry_listener listener = {global, globalRemove};

    const WaylandClient &m_client;
    wl_display *m_display;
    wl_event_queue *m_queue;
    wl_proxy *m_registry = nullptr;
    wl_proxy *m_shell = nullptr;
    wl_proxy *m_surface = nullptr;
};

} // namespace

int execAsDesktopDialog(QDialog &dialog)
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *display = native && QGuiApplication::platformName() == QLatin1String("wayland")
        ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
        : nullptr;
    const WaylandClient client;
    if (!display || !client.complete())
        return dialog.exec();
    GtkShell shell(client, display);
    dialog.setWindowModality(Qt::ApplicationModal);
    // Showing gives the window its role; its first picture waits for the
    // compositor's configure, which Qt handles only once the event loop runs.
    dialog.show();
    shell.makeModal(static_cast<wl_surface *>(
        native->nativeResourceForWindow("surface", dialog.windowHandle())));
    return dialog.exec();
}
