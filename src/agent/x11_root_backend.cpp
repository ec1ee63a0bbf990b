#include "agent/x11_root_backend.h"

#include "agent/x11_pixel_format.h"
#include "base/log.h"
#include "platform/x11/xcb_handles.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace ks {

namespace {

constexpr std::string_view kRootPixmapAtom = "_XROOTPMAP_ID";
constexpr std::string_view kSetRootAtom = "ESETROOT_PMAP_ID";
// Larger requests gain nothing and hold the whole chunk in the output buffer.
constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
// The PutImage request's own header.
constexpr std::size_t kPutImageHeader = 24;

void fail(const std::string& message) {
    logLine("kestrane-wallpaper-agent: " + message);
}

using xcb::Reply;
using xcb::take;

// A lost connection reports no error for a request; it is a failure all the same.
bool succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    Reply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    return !error && xcb_connection_has_error(c) == 0;
}

struct Connection {
    xcb::Connection handle;
    xcb_screen_t* screen = nullptr;

    xcb_connection_t* get() const { return handle.get(); }
};

std::optional<Connection> connect() {
    int number = 0;
    Connection connection{xcb::Connection(xcb_connect(nullptr, &number))};
    if (!connection.get() || xcb_connection_has_error(connection.get()))
        return std::nullopt;
    connection.screen = xcb::screenOf(connection.get(), number);
    if (!connection.screen)
        return std::nullopt;
    return connection;
}

std::optional<X11PixelFormat> pixelFormat(xcb_connection_t* c, const xcb_screen_t* screen) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    X11PixelFormat format;
    format.depth = screen->root_depth;
    format.mostSignificantFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth) {
            format.bitsPerPixel = it.data->bits_per_pixel;
            format.scanlinePad = it.data->scanline_pad;
        }
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0;
         xcb_depth_next(&depths))
        for (auto visual = xcb_depth_visuals_iterator(depths.data); visual.rem > 0;
             xcb_visualtype_next(&visual))
            if (visual.data->visual_id == screen->root_visual &&
                (visual.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                 visual.data->_class == XCB_VISUAL_CLASS_DIRECT_COLOR)) {
                format.redMask = visual.data->red_mask;
                format.greenMask = visual.data->green_mask;
                format.blueMask = visual.data->blue_mask;
            }
    if (!format.supported())
        return std::nullopt;
    return format;
}

xcb_atom_t atom(xcb_connection_t* c, std::string_view name) {
    xcb_generic_error_t* error = nullptr;
    const auto reply = take(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.data()), &error), error);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::optional<xcb_pixmap_t> pixmapProperty(xcb_connection_t* c, xcb_window_t root,
                                           xcb_atom_t name) {
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        take(xcb_get_property_reply(c, xcb_get_property(c, 0, root, name, XCB_ATOM_PIXMAP, 0, 1),
                                    &error),
             error);
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    const auto id = *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
    return id == XCB_NONE ? std::nullopt : std::optional(id);
}

// A stale id, left by a setter whose pixmap is gone, can fall in our own range of ids and
// name a pixmap of this run.
bool isOurs(xcb_connection_t* c, std::uint32_t id) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    return (id & ~setup->resource_id_mask) == setup->resource_id_base;
}

// The size of another client's drawable that still exists and has the root's depth.
std::optional<std::pair<int, int>> sizeOf(xcb_connection_t* c, xcb_drawable_t drawable, int depth) {
    if (isOurs(c, drawable))
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        take(xcb_get_geometry_reply(c, xcb_get_geometry(c, drawable), &error), error);
    if (!reply || reply->depth != depth)
        return std::nullopt;
    return std::pair(int{reply->width}, int{reply->height});
}

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// A decoded picture and where on the root it goes.
struct Piece {
    Image image;
    Rect place;
};

class RootPixmap {
public:
    RootPixmap(xcb_connection_t* c, const xcb_screen_t* screen, X11PixelFormat format)
        : m_c(c), m_screen(screen), m_format(format), m_pixmap(xcb_generate_id(c)),
          m_gc(xcb_generate_id(c)) {}

    bool create() {
        m_created = succeeded(
            m_c, xcb_create_pixmap_checked(m_c, m_screen->root_depth, m_pixmap, m_screen->root,
                                           m_screen->width_in_pixels, m_screen->height_in_pixels));
        if (!m_created)
            return false;
        const std::uint32_t values[] = {m_screen->black_pixel, 0};
        xcb_create_gc(m_c, m_gc, m_pixmap, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
        const xcb_rectangle_t all{0, 0, m_screen->width_in_pixels, m_screen->height_in_pixels};
        xcb_poly_fill_rectangle(m_c, m_pixmap, m_gc, 1, &all);
        return true;
    }

    // What the old background shows stays where no new picture goes. False when it is gone.
    bool copyFrom(xcb_pixmap_t old, std::pair<int, int> size) {
        const auto width = std::min<int>(size.first, m_screen->width_in_pixels);
        const auto height = std::min<int>(size.second, m_screen->height_in_pixels);
        return succeeded(m_c, xcb_copy_area_checked(m_c, old, m_pixmap, m_gc, 0, 0, 0, 0,
                                                    static_cast<std::uint16_t>(width),
                                                    static_cast<std::uint16_t>(height)));
    }

    bool put(const Piece& piece) {
        const int left = std::max(piece.place.x, 0);
        const int top = std::max(piece.place.y, 0);
        const int right =
            std::min(piece.place.x + piece.image.width, int{m_screen->width_in_pixels});
        const int bottom =
            std::min(piece.place.y + piece.image.height, int{m_screen->height_in_pixels});
        if (left >= right || top >= bottom)
            return true;
        const int width = right - left;
        const std::size_t rowBytes = m_format.rowBytes(width);
        const std::size_t limit = std::min<std::size_t>(
            std::size_t{xcb_get_maximum_request_length(m_c)} * 4 - kPutImageHeader, kChunkBytes);
        if (rowBytes > limit)
            return false;
        const int rowsPerChunk = static_cast<int>(limit / rowBytes);
        std::vector<std::uint8_t> chunk;
        std::vector<xcb_void_cookie_t> cookies;
        for (int y = top; y < bottom; y += rowsPerChunk) {
            const int rows = std::min(rowsPerChunk, bottom - y);
            chunk.assign(rowBytes * static_cast<std::size_t>(rows), 0);
            for (int row = 0; row < rows; ++row) {
                const std::uint8_t* from =
                    piece.image.pixels.get() +
                    static_cast<std::size_t>(y + row - piece.place.y) * piece.image.stride() +
                    static_cast<std::size_t>(left - piece.place.x) * 4;
                m_format.convertRow(from, width, chunk.data() + rowBytes * row);
            }
            cookies.push_back(xcb_put_image_checked(
                m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_pixmap, m_gc, static_cast<std::uint16_t>(width),
                static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(left),
                static_cast<std::int16_t>(y), 0, m_screen->root_depth,
                static_cast<std::uint32_t>(chunk.size()), chunk.data()));
        }
        return std::ranges::all_of(cookies, [&](auto cookie) { return succeeded(m_c, cookie); });
    }

    // Makes the pixmap the root's background for good, retiring the one set before.
    bool install(xcb_atom_t rootPixmap, xcb_atom_t setRoot) {
        const xcb_window_t root = m_screen->root;
        xcb_grab_server(m_c);
        const auto previous = pixmapProperty(m_c, root, rootPixmap);
        const auto retained = pixmapProperty(m_c, root, setRoot);
        // Only a pixmap announced in both was kept by a setter that exited; anything else may
        // belong to a live program.
        if (previous && retained && *previous == *retained &&
            sizeOf(m_c, *retained, m_screen->root_depth))
            xcb_kill_client(m_c, *retained);
        const auto a = xcb_change_property_checked(m_c, XCB_PROP_MODE_REPLACE, root, rootPixmap,
                                                   XCB_ATOM_PIXMAP, 32, 1, &m_pixmap);
        const auto b = xcb_change_property_checked(m_c, XCB_PROP_MODE_REPLACE, root, setRoot,
                                                   XCB_ATOM_PIXMAP, 32, 1, &m_pixmap);
        const auto c =
            xcb_change_window_attributes_checked(m_c, root, XCB_CW_BACK_PIXMAP, &m_pixmap);
        xcb_clear_area(m_c, 0, root, 0, 0, 0, 0);
        xcb_ungrab_server(m_c);
        const bool done = succeeded(m_c, a) && succeeded(m_c, b) && succeeded(m_c, c);
        if (done) {
            xcb_set_close_down_mode(m_c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
            m_installed = true;
        }
        return done;
    }

    ~RootPixmap() {
        if (m_created)
            xcb_free_gc(m_c, m_gc);
        if (m_created && !m_installed)
            xcb_free_pixmap(m_c, m_pixmap);
        // A round trip, not a flush: the server may see the connection close before it has
        // read the last requests, and then drops them, close-down mode included.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }
    RootPixmap(const RootPixmap&) = delete;
    RootPixmap& operator=(const RootPixmap&) = delete;

private:
    xcb_connection_t* m_c;
    const xcb_screen_t* m_screen;
    X11PixelFormat m_format;
    xcb_pixmap_t m_pixmap;
    xcb_gcontext_t m_gc;
    bool m_created = false;
    bool m_installed = false;
};

Rect placeOf(const AgentDisplay& display, const xcb_screen_t* screen) {
    if (display.hasSize())
        return {display.x, display.y, display.width, display.height};
    return {0, 0, screen->width_in_pixels, screen->height_in_pixels};
}

} // namespace

X11RootBackend::X11RootBackend(PictureLoader& loader) : m_loader(loader) {}

bool X11RootBackend::show(const DisplayPlan& plan) {
    if (std::ranges::none_of(plan, [](const auto& p) { return p.picture.has_value(); }))
        return true;
    const auto connection = connect();
    if (!connection) {
        fail("can't open the X display");
        return false;
    }
    xcb_connection_t* c = connection->get();
    const xcb_screen_t* screen = connection->screen;
    const auto format = pixelFormat(c, screen);
    if (!format) {
        fail("the X root window's visual is not one this agent can draw on");
        return false;
    }
    std::vector<Piece> pieces;
    for (const auto& planned : plan) {
        if (!planned.picture)
            continue;
        const Rect place = placeOf(planned.display, screen);
        auto image = m_loader.filling(*planned.picture, place.width, place.height);
        if (!image)
            return false;
        pieces.push_back({std::move(*image), place});
    }

    const xcb_atom_t rootPixmap = atom(c, kRootPixmapAtom);
    const xcb_atom_t setRoot = atom(c, kSetRootAtom);
    RootPixmap pixmap(c, screen, *format);
    if (rootPixmap == XCB_ATOM_NONE || setRoot == XCB_ATOM_NONE || !pixmap.create()) {
        fail("the X server refused the background pixmap");
        return false;
    }
    const auto old = pixmapProperty(c, screen->root, rootPixmap);
    const auto oldSize = old ? sizeOf(c, *old, screen->root_depth) : std::nullopt;
    const bool kept = oldSize && pixmap.copyFrom(*old, *oldSize);
    // Without the old background, a display that keeps its picture draws it again when the
    // agent knows it; otherwise it stays black.
    if (!kept)
        for (const auto& planned : plan)
            if (!planned.picture && planned.shown && planned.display.hasSize())
                if (auto image = m_loader.filling(*planned.shown, planned.display.width,
                                                  planned.display.height))
                    pixmap.put({std::move(*image), placeOf(planned.display, screen)});
    for (const auto& piece : pieces)
        if (!pixmap.put(piece)) {
            fail("the X server refused the pictures");
            return false;
        }
    if (!pixmap.install(rootPixmap, setRoot)) {
        fail("the X server refused the new background");
        return false;
    }
    return true;
}

} // namespace ks
