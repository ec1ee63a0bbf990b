#include "commands.h"
#include "messages.h"

#include "base/file_io.h"
#include "library/blob_name.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <httplib.h>
#include <system_error>

namespace ks::pack {

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultPort = 8000;

std::optional<int> parsePort(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

int runServe(const Args& args) {
    std::vector<std::string> positional;
    int port = kDefaultPort;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port") {
            const auto parsed = i + 1 < args.size() ? parsePort(args[++i]) : std::nullopt;
            if (!parsed)
                return usageError("--port needs a number from 0 (any free port) to 65535");
            port = *parsed;
        } else if (args[i].starts_with("--")) {
            return usageError("unknown option " + args[i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 1)
        return usageError("serve needs one DIR");
    const fs::path dir = positional[0];
    std::error_code error;
    if (!fs::is_directory(dir, error))
        return fail(positional[0] + " is not a folder");

    httplib::Server server;
    server.Get(R"(/([^/]+))", [&](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.matches[1];
        // Plain names of regular files only: no way up, and no symlink leading elsewhere.
        std::error_code statError;
        const fs::path path = dir / name;
        std::optional<Bytes> bytes;
        if (isPlainFileName(name) && fs::is_regular_file(fs::symlink_status(path, statError)))
            bytes = readWholeFile(path);
        if (!bytes) {
            response.status = 404;
            return;
        }
        response.set_content(std::string(asText(*bytes)), "application/octet-stream");
    });
    // Loopback only: this is a tool for trying packs out, not a web server for a network.
    // Port 0 takes any free port; the line below tells which, for scripts that start us.
    const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                                : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0)
        return fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    std::printf("serving %s on http://127.0.0.1:%d (Ctrl-C stops)\n", dir.c_str(), bound);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : fail("the server stopped");
}

} // namespace ks::pack
