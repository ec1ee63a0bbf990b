#include "platform/x11/randr_displays.h"

#include "platform/x11/xcb_handles.h"
#include "system/display_uuid.h"

#include <algorithm>
#include <map>
#include <optional>
#include <xcb/randr.h>

namespace ks {

namespace {

using xcb::take;

bool hasRandr12(xcb_connection_t* connection) {
    const auto* extension = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!extension || !extension->present)
        return false;
    xcb_generic_error_t* error = nullptr;
    const auto version = take(xcb_randr_query_version_reply(
                                  connection, xcb_randr_query_version(connection, 1, 5), &error),
                              error);
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 2));
}

struct Resources {
    std::vector<xcb_randr_output_t> outputs;
    xcb_timestamp_t configTimestamp = XCB_CURRENT_TIME;
};

// The "current" request does not make the server probe the outputs again, which can take
// seconds on real hardware.
Resources resourcesOf(xcb_connection_t* connection, xcb_window_t root) {
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        take(xcb_randr_get_screen_resources_current_reply(
                 connection, xcb_randr_get_screen_resources_current(connection, root), &error),
             error);
    if (!reply)
        return {};
    const auto* outputs = xcb_randr_get_screen_resources_current_outputs(reply.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(reply.get());
    return {{outputs, outputs + count}, reply->config_timestamp};
}

xcb_atom_t edidAtom(xcb_connection_t* connection) {
    constexpr std::string_view kName = "EDID";
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        take(xcb_intern_atom_reply(
                 connection, xcb_intern_atom(connection, 1, kName.size(), kName.data()), &error),
             error);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Bytes edidOf(xcb_connection_t* connection, xcb_randr_output_t output, xcb_atom_t atom) {
    if (atom == XCB_ATOM_NONE)
        return {};
    // 32 KiB in 4-byte units: the base block and every extension block an EDID can have.
    constexpr std::uint32_t kLongLength = 8192;
    xcb_generic_error_t* error = nullptr;
    const auto reply = take(xcb_randr_get_output_property_reply(
                                connection,
                                xcb_randr_get_output_property(connection, output, atom,
                                                              XCB_ATOM_ANY, 0, kLongLength, 0, 0),
                                &error),
                            error);
    if (!reply || reply->format != 8)
        return {};
    const auto* data = xcb_randr_get_output_property_data(reply.get());
    const int length = xcb_randr_get_output_property_data_length(reply.get());
    return Bytes(data, data + std::max(length, 0));
}

std::optional<X11Display> displayOf(xcb_connection_t* connection, xcb_randr_output_t output,
                                    xcb_timestamp_t timestamp, xcb_atom_t edid) {
    xcb_generic_error_t* error = nullptr;
    const auto info =
        take(xcb_randr_get_output_info_reply(
                 connection, xcb_randr_get_output_info(connection, output, timestamp), &error),
             error);
    if (!info || info->crtc == XCB_NONE)
        return std::nullopt;
    const auto crtc =
        take(xcb_randr_get_crtc_info_reply(
                 connection, xcb_randr_get_crtc_info(connection, info->crtc, timestamp), &error),
             error);
    if (!crtc || crtc->width == 0 || crtc->height == 0)
        return std::nullopt;
    X11Display display;
    display.output = output;
    display.name.assign(
        reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
        static_cast<std::size_t>(xcb_randr_get_output_info_name_length(info.get())));
    display.x = crtc->x;
    display.y = crtc->y;
    display.width = crtc->width;
    display.height = crtc->height;
    display.edid = edidOf(connection, output, edid);
    return display;
}

} // namespace

std::vector<X11Display> activeDisplays(xcb_connection_t* connection, int screenNumber) {
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const xcb_screen_t* screen = xcb::screenOf(connection, screenNumber);
    if (!screen || !hasRandr12(connection))
        return {};
    const auto resources = resourcesOf(connection, screen->root);
    const xcb_atom_t edid = edidAtom(connection);
    std::vector<X11Display> displays;
    for (const auto output : resources.outputs)
        if (auto display = displayOf(connection, output, resources.configTimestamp, edid))
            displays.push_back(std::move(*display));
    assignDisplayUuids(displays);
    return displays;
}

std::vector<X11Display> activeDisplays() {
    int screenNumber = 0;
    const xcb::Connection connection(xcb_connect(nullptr, &screenNumber));
    return activeDisplays(connection.get(), screenNumber);
}

bool x11DisplayReachable() {
    const xcb::Connection connection(xcb_connect(nullptr, nullptr));
    return connection && xcb_connection_has_error(connection.get()) == 0;
}

void assignDisplayUuids(std::vector<X11Display>& displays) {
    std::map<Bytes, int> sharing;
    for (const auto& display : displays)
        if (!display.edid.empty())
            ++sharing[display.edid];
    for (auto& display : displays) {
        if (display.edid.empty() || sharing[display.edid] == 1) {
            display.uuid = displayUuid(display.edid, display.name);
            continue;
        }
        Bytes both = display.edid;
        both.insert(both.end(), display.name.begin(), display.name.end());
        display.uuid = displayUuid(both, display.name);
    }
}

} // namespace ks
