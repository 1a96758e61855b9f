// A client that floods the player's media service: COUNT calls of Next on
// one connection, none waiting for its reply (as fast as the bus takes
// them), then a volume of LEVEL written with its reply awaited, then the
// volume read back at once, which it prints. Exits 1 on a bus error.
//
// Usage: e2e_bus_burst BUS_NAME COUNT LEVEL
#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BUS_NAME COUNT LEVEL\n", argv[0]);
        return 2;
    }
    const char* player = "org.mpris.MediaPlayer2.Player";
    try {
        auto connection = sdbus::createSessionBusConnection();
        auto proxy = sdbus::createProxy(*connection, argv[1], "/org/mpris/MediaPlayer2");
        const long count = std::strtol(argv[2], nullptr, 10);
        for (long i = 0; i < count; ++i)
            proxy->callMethod("Next").onInterface(player).dontExpectReply();
        // The bus keeps one connection's messages in order: the player has
        // every Next before this write, and answers it after them.
        proxy->setProperty("Volume").onInterface(player).toValue(std::strtod(argv[3], nullptr));
        const double volume = proxy->getProperty("Volume").onInterface(player);
        std::printf("%f\n", volume);
    } catch (const sdbus::Error& error) {
        std::fprintf(stderr, "bus error: %s: %s\n", error.getName().c_str(), error.getMessage().c_str());
        return 1;
    }
    return 0;
}
