#include "platform/sdbus_mpris.h"

#include <sdbus-c++/sdbus-c++.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// The same boot clock as the main loop's, so the position moves on from
// the moment the main loop published it.
uint32_t bootMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

const char* playbackName(PlaybackStatus status)
{
    switch (status) {
    case PlaybackStatus::Playing: return "Playing";
    case PlaybackStatus::Paused: return "Paused";
    case PlaybackStatus::Stopped: break;
    }
    return "Stopped";
}

std::map<std::string, sdbus::Variant> metadataOf(const MediaStatus& status)
{
    std::map<std::string, sdbus::Variant> metadata;
    if (status.trackRow < 0) {
        metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(kNoTrack));
        return metadata;
    }
    metadata["mpris:trackid"] =
        sdbus::Variant(sdbus::ObjectPath("/quarven2/track/" + std::to_string(status.trackRow)));
    metadata["xesam:title"] = sdbus::Variant(std::string(status.title));
    metadata["xesam:artist"] = sdbus::Variant(std::vector<std::string>{status.artist});
    metadata["xesam:url"] = sdbus::Variant(std::string(status.url));
    metadata["xesam:trackNumber"] = sdbus::Variant(static_cast<int32_t>(status.trackRow + 1));
    if (status.lengthMicroseconds > 0)
        metadata["mpris:length"] = sdbus::Variant(static_cast<int64_t>(status.lengthMicroseconds));
    return metadata;
}

// A property that never changes.
template <typename Value>
void constantProperty(sdbus::IObject& object, const char* interface, const char* name, Value value)
{
    object.registerProperty(name)
        .onInterface(interface)
        .withGetter([value] { return value; })
        .withUpdateBehavior(sdbus::Flags::CONST_PROPERTY_VALUE);
}

class SdbusMedia final : public MediaService {
public:
    explicit SdbusMedia(MediaRemote& remote) : remote_(remote) {}
    ~SdbusMedia() override;
    SdbusMedia(const SdbusMedia&) = delete;
    SdbusMedia& operator=(const SdbusMedia&) = delete;

    // Everything but the thread; throws sdbus::Error.
    void open();
    void start() { thread_ = std::thread([this] { serve(); }); }
    void statusChanged() override { wake(); }

private:
    void wake()
    {
        const uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0) {
            // Only a full counter fails, and then a wake-up is waiting anyway.
        }
    }
    void takeName();
    void registerRoot();
    void registerPlayer();
    // Returns once the player has the request, so that the reply (sent
    // after) promises it will be carried out.
    void send(RemoteCommand command, double value = 0.0)
    {
        if (!remote_.request({command, value}))
            throw sdbus::Error("org.freedesktop.DBus.Error.Failed", "the player is quitting");
    }
    void serve();
    void announceChanges();

    MediaRemote& remote_;
    std::unique_ptr<sdbus::IConnection> connection_;
    std::unique_ptr<sdbus::IObject> object_;
    std::string name_;
    int wakeFd_ = -1;
    std::atomic<bool> quit_{false};
    std::thread thread_;
    MediaStatus announced_; // the service's thread only
};

SdbusMedia::~SdbusMedia()
{
    if (thread_.joinable()) {
        quit_.store(true, std::memory_order_release);
        wake();
        thread_.join();
    }
    object_.reset();
    if (connection_ && !name_.empty()) {
        try {
            connection_->releaseName(name_);
        } catch (const sdbus::Error&) {
            // The bus went away first; the name went with it.
        }
    }
    connection_.reset();
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

void SdbusMedia::open()
{
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0)
        throw sdbus::Error("org.freedesktop.DBus.Error.Failed", "no event descriptor for the service's thread");
    connection_ = sdbus::createSessionBusConnection();
    object_ = sdbus::createObject(*connection_, kObjectPath);
    registerRoot();
    registerPlayer();
    object_->finishRegistration();
    takeName();
}

// The name last, once the object answers: a client that sees the name
// appear may ask at once.
void SdbusMedia::takeName()
{
    try {
        connection_->requestName(kMediaBusName);
        name_ = kMediaBusName;
    } catch (const sdbus::Error&) {
        const std::string instance = std::string(kMediaBusName) + ".instance" + std::to_string(getpid());
        connection_->requestName(instance);
        name_ = instance;
    }
}

void SdbusMedia::registerRoot()
{
    sdbus::IObject& o = *object_;
    const char* root = kRootInterface;
    o.registerMethod("Raise").onInterface(root).implementedAs([this] { send(RemoteCommand::Raise); });
    o.registerMethod("Quit").onInterface(root).implementedAs([this] { send(RemoteCommand::Quit); });
    constantProperty(o, root, "CanQuit", true);
    constantProperty(o, root, "CanRaise", true);
    constantProperty(o, root, "HasTrackList", false);
    constantProperty(o, root, "Identity", std::string(kMediaIdentity));
    constantProperty(o, root, "DesktopEntry", std::string(kMediaDesktopEntry));
    constantProperty(o, root, "SupportedUriSchemes", std::vector<std::string>{});
    constantProperty(o, root, "SupportedMimeTypes", std::vector<std::string>{});
}

void SdbusMedia::registerPlayer()
{
    sdbus::IObject& o = *object_;
    const char* p = kPlayerInterface;
    o.registerMethod("Play").onInterface(p).implementedAs([this] { send(RemoteCommand::Play); });
    o.registerMethod("Pause").onInterface(p).implementedAs([this] { send(RemoteCommand::Pause); });
    o.registerMethod("PlayPause").onInterface(p).implementedAs([this] { send(RemoteCommand::PlayPause); });
    o.registerMethod("Stop").onInterface(p).implementedAs([this] { send(RemoteCommand::Stop); });
    o.registerMethod("Next").onInterface(p).implementedAs([this] { send(RemoteCommand::Next); });
    o.registerMethod("Previous").onInterface(p).implementedAs([this] { send(RemoteCommand::Previous); });
    // The player cannot seek (CanSeek is false): these do nothing, as the
    // protocol asks of such a player.
    o.registerMethod("Seek").onInterface(p).withInputParamNames("Offset").implementedAs([](int64_t) {});
    o.registerMethod("SetPosition").onInterface(p).withInputParamNames("TrackId", "Position")
        .implementedAs([](sdbus::ObjectPath, int64_t) {});
    o.registerMethod("OpenUri").onInterface(p).withInputParamNames("Uri").implementedAs([](std::string) {
        throw sdbus::Error("org.freedesktop.DBus.Error.NotSupported", "the player plays its own soundtrack only");
    });
    o.registerSignal("Seeked").onInterface(p).withParameters<int64_t>("Position");

    o.registerProperty("PlaybackStatus").onInterface(p).withGetter([this] {
        return std::string(playbackName(remote_.status().playback));
    });
    // After the last track comes the first again; no other rate than 1.
    constantProperty(o, p, "LoopStatus", std::string("Playlist"));
    constantProperty(o, p, "Rate", 1.0);
    constantProperty(o, p, "MinimumRate", 1.0);
    constantProperty(o, p, "MaximumRate", 1.0);
    o.registerProperty("Shuffle").onInterface(p)
        .withGetter([this] { return remote_.status().shuffle; })
        .withSetter([this](const bool& on) { send(RemoteCommand::SetShuffle, on ? 1.0 : 0.0); });
    o.registerProperty("Metadata").onInterface(p).withGetter([this] { return metadataOf(remote_.status()); });
    o.registerProperty("Volume").onInterface(p)
        .withGetter([this] { return remote_.status().volume; })
        .withSetter([this](const double& level) { send(RemoteCommand::SetVolume, level); });
    o.registerProperty("Position").onInterface(p)
        .withGetter([this] { return positionAt(remote_.status(), bootMilliseconds()); })
        .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
    for (const char* can : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanControl"})
        constantProperty(o, p, can, true);
    constantProperty(o, p, "CanSeek", false);
}

// One PropertiesChanged for whatever differs from what was announced last.
void SdbusMedia::announceChanges()
{
    const MediaStatus& now = remote_.status();
    const uint32_t changed = changedProperties(announced_, now);
    announced_ = now;
    std::vector<std::string> names;
    if (changed & kChangedPlayback)
        names.emplace_back("PlaybackStatus");
    if (changed & kChangedMetadata)
        names.emplace_back("Metadata");
    if (changed & kChangedShuffle)
        names.emplace_back("Shuffle");
    if (changed & kChangedVolume)
        names.emplace_back("Volume");
    if (!names.empty())
        object_->emitPropertiesChangedSignal(kPlayerInterface, names);
}

// The service's thread: the bus's descriptor and the main loop's wake-ups.
// Every call into sdbus happens here, so the connection needs no lock.
void SdbusMedia::serve()
{
    try {
        announced_ = remote_.status();
        while (!quit_.load(std::memory_order_acquire)) {
            while (connection_->processPendingRequest()) {
            }
            const sdbus::IConnection::PollData bus = connection_->getEventLoopPollData();
            pollfd fds[2] = {{bus.fd, bus.events, 0}, {wakeFd_, POLLIN, 0}};
            if (poll(fds, 2, bus.getPollTimeout()) < 0 && errno != EINTR)
                break;
            if ((fds[1].revents & POLLIN) != 0) {
                uint64_t count = 0;
                if (read(wakeFd_, &count, sizeof count) < 0) {
                    // Nothing to read: another wake-up took it.
                }
                if (!quit_.load(std::memory_order_acquire))
                    announceChanges();
            }
        }
    } catch (const sdbus::Error& error) {
        std::fprintf(stderr, "quarven2: the desktop media controls stopped: %s\n", error.getMessage().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quarven2: the desktop media controls stopped: %s\n", error.what());
    }
}

} // namespace

std::unique_ptr<MediaService> openSessionBusMedia(MediaRemote& remote, std::string& error)
{
    auto media = std::make_unique<SdbusMedia>(remote);
    try {
        media->open();
    } catch (const sdbus::Error& e) {
        error = e.getMessage();
        return nullptr;
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
    media->start();
    return media;
}

} // namespace platform
