#include "X11ShmGrab.h"

#include "PictureMemory.h"
#include "XcbReply.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <thread>
#include <tuple>
#include <utility>

namespace X11ShmGrab {

namespace {

struct Connection
{
    explicit Connection(const char *display) : handle(xcb_connect(display, &screenNumber)) { }
    ~Connection() { xcb_disconnect(handle); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    xcb_connection_t *handle;
    int screenNumber = 0;
};

const xcb_screen_t *screenOf(const Connection &connection)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection.handle));
    for (int i = 0; it.rem > 0 && i < connection.screenNumber; ++i)
        xcb_screen_next(&it);
    return it.rem > 0 ? it.data : nullptr;
}

const xcb_visualtype_t *visualOf(const xcb_screen_t *screen)
{
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
        }
    }
    return nullptr;
}

xcb_format_t pixmapFormatOf(const xcb_setup_t *setup, const xcb_screen_t *screen)
{
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == screen->root_depth)
            return *formats.data;
    }
    return {};
}

// The image format whose pixels are the root window's Z-pixmap pixels as
// they are, as Qt's own grab gives them; Invalid for the rarer layouts, which
// Qt's grab then converts.
QImage::Format formatOf(const xcb_setup_t *setup, const xcb_screen_t *screen)
{
    const xcb_visualtype_t *visual = visualOf(screen);
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR
        || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return QImage::Format_Invalid;
    const int bitsPerPixel = pixmapFormatOf(setup, screen).bits_per_pixel;
    const auto masks = std::tuple(visual->red_mask, visual->green_mask, visual->blue_mask);
    if (screen->root_depth == 24 && bitsPerPixel == 32
        && masks == std::tuple(0xff0000u, 0xff00u, 0xffu))
        return QImage::Format_RGB32;
    if (screen->root_depth == 16 && bitsPerPixel == 16
        && masks == std::tuple(0xf800u, 0x7e0u, 0x1fu))
        return QImage::Format_RGB16;
    return QImage::Format_Invalid;
}

// The share of the screen the server writes into shared memory at a time:
// each band lands in the same few pages, which the server then has mapped
// already, instead of every page of the screen being new to it.
constexpr size_t bandBytes = 512 * 1024;

// Copies rows of server pixels. The server leaves the unused byte of a
// 24-bit pixel at 0; Qt's grab and every RGB32 image of Qt's hold 0xff there.
void copyRows(const uchar *from, uchar *to, size_t bytes, QImage::Format format)
{
    if (format != QImage::Format_RGB32) {
        std::memcpy(to, from, bytes);
        return;
    }
    const auto *source = reinterpret_cast<const quint32 *>(from);
    auto *target = reinterpret_cast<quint32 *>(to);
    for (size_t i = 0; i < bytes / 4; ++i)
        target[i] = source[i] | 0xff000000u;
}

// A shared memory segment attached on both sides, detached and gone with it.
class Segment
{
public:
    Segment(const Connection &connection, size_t size) : m_connection(connection)
    {
        const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void *memory = shmat(id, nullptr, 0);
        if (memory != reinterpret_cast<void *>(-1)) {
            m_memory = static_cast<uchar *>(memory);
            m_id = xcb_generate_id(connection.handle);
            m_attached = !xcbReply(xcb_request_check(connection.handle,
                xcb_shm_attach_checked(connection.handle, m_id, static_cast<uint32_t>(id), 0)));
        }
        // Gone as soon as both sides have let go of it, whatever happens next.
        shmctl(id, IPC_RMID, nullptr);
        if (m_attached)
            madvise(m_memory, size, MADV_POPULATE_WRITE);
    }
    ~Segment()
    {
        if (m_attached)
            xcb_shm_detach(m_connection.handle, m_id);
        if (m_memory)
            shmdt(m_memory);
    }
    Segment(const Segment &) = delete;
    Segment &operator=(const Segment &) = delete;

    bool attached() const { return m_attached; }
    xcb_shm_seg_t id() const { return m_id; }
    const uchar *memory() const { return m_memory; }

private:
    const Connection &m_connection;
    uchar *m_memory = nullptr;
    xcb_shm_seg_t m_id = 0;
    bool m_attached = false;
};

// The started grab; ended with the program at the latest.
struct Started
{
    QImage picture;
    // Declared last, so it is joined before the picture it writes goes.
    std::jthread thread;
} started;

// The whole screen through MIT-SHM on the given connection.
QImage grabOn(const Connection &connection)
{
    if (xcb_connection_has_error(connection.handle))
        return {};
    const xcb_screen_t *screen = screenOf(connection);
    if (!screen)
        return {};
    const QImage::Format format = formatOf(xcb_get_setup(connection.handle), screen);
    if (format == QImage::Format_Invalid)
        return {};
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection.handle, &xcb_shm_id);
    if (!shm || !shm->present)
        return {};

    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    // Each line is padded to the server's scanline unit.
    const xcb_format_t pixmapFormat = pixmapFormatOf(xcb_get_setup(connection.handle), screen);
    const int pad = pixmapFormat.scanline_pad;
    const int bytesPerLine = (width * pixmapFormat.bits_per_pixel + pad - 1) / pad * pad / 8;
    const auto lineBytes = static_cast<size_t>(bytesPerLine);
    const int bandRows = std::max(1, static_cast<int>(bandBytes / lineBytes));
    const Segment segment(connection, lineBytes * static_cast<size_t>(bandRows));
    if (!segment.attached())
        return {};

    QImage picture = pictureInHugePages(width, height, bytesPerLine, format);
    if (picture.isNull())
        return {};
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        const size_t bytes = lineBytes * static_cast<size_t>(rows);
        const auto band = xcbReply(xcb_shm_get_image_reply(connection.handle,
            xcb_shm_get_image(connection.handle, screen->root, 0, static_cast<int16_t>(top),
                static_cast<uint16_t>(width), static_cast<uint16_t>(rows), ~0u,
                XCB_IMAGE_FORMAT_Z_PIXMAP, segment.id(), 0),
            nullptr));
        if (!band || band->size < bytes)
            return {};
        copyRows(segment.memory(), picture.scanLine(top), bytes, format);
    }
    return picture;
}

} // namespace

QImage grabNow(const char *display)
{
    return grabOn(Connection(display));
}

void start()
{
    if (started.thread.joinable() || !std::getenv("DISPLAY"))
        return;
    // libxcb finds the X authority file through libXau, whose file-name
    // lookup fills a buffer of its own that two connections set up at once
    // (ours and Qt's) would share, unless $XAUTHORITY names the file. Name
    // the file it would find, before there is a second thread.
    const char *home = std::getenv("HOME");
    if (!std::getenv("XAUTHORITY") && home && *home)
        setenv("XAUTHORITY", (std::string(home) + "/.Xauthority").c_str(), 0);
    started.thread = std::jthread([] { started.picture = grabNow(nullptr); });
}

QImage take()
{
    if (started.thread.joinable())
        started.thread.join();
    return std::exchange(started.picture, QImage());
}

} // namespace X11ShmGrab
