// The desktop's font resolution as the X server's resource database holds it.
#pragma once

#include <string>

namespace platform {

// Reads the Xft.dpi resource over a connection of its own, which it keeps
// until closed: on a server with no other client, closing the last
// connection resets the server, and a client connecting at that moment (the
// window's, just after the read) is refused.
class XftDpiQuery {
public:
    XftDpiQuery() = default;
    ~XftDpiQuery() { close(); }
    XftDpiQuery(const XftDpiQuery&) = delete;
    XftDpiQuery& operator=(const XftDpiQuery&) = delete;

    // The resource's text (for example "192"), read as Xft reads it; empty
    // when there is no X display or no such resource.
    std::string read();
    // Once another connection to the server is open.
    void close();

private:
    void* display = nullptr; // Display*, kept opaque so that Xlib's names stay out of here
};

} // namespace platform
