// Control of the player from outside its window: the desktop's media
// player service on the session bus. The service runs on a thread of its
// own; it hands requests to the player and answers from the state the
// player last published, never touching the player itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class RemoteCommand : uint8_t {
    Play,          // resume when paused, start when stopped; nothing while playing
    Pause,         // pause while playing; nothing otherwise
    PlayPause,     // the pause button's toggle, and play when stopped
    PauseButton,   // exactly the pause button
    Stop,
    Next,
    Previous,
    ShuffleButton, // exactly the shuffle button
    SetShuffle,    // value: 0 off, anything else on
    SetVolume,     // value: 0.0 to 1.0
    VolumeSteps,   // value: twentieths of the slider's travel, up when positive
    Raise,
    Quit,
};

struct RemoteRequest {
    RemoteCommand command = RemoteCommand::Play;
    double value = 0.0;
};

enum class PlaybackStatus : uint8_t { Stopped, Playing, Paused };

// What the service reports, as the player published it. Texts are UTF-8.
struct MediaStatus {
    PlaybackStatus playback = PlaybackStatus::Stopped;
    bool shuffle = false;
    double volume = 1.0;
    int32_t trackRow = -1; // catalogue row; -1 before the first track
    char title[160] = {};
    char artist[160] = {};
    char url[256] = {};
    int64_t lengthMicroseconds = 0; // 0 when unknown
    // Where the track was when this was published, and when that was on
    // the boot clock; while playing, the position moves on from there.
    int64_t positionMicroseconds = 0;
    uint32_t publishedAtMilliseconds = 0;
    // How many requests the player had taken when it published this.
    uint32_t requestsTaken = 0;
};

// The position at `nowMilliseconds`, held within the track.
int64_t positionAt(const MediaStatus& status, uint32_t nowMilliseconds);

// The service's properties that announce their changes.
enum ChangedProperty : uint32_t {
    kChangedPlayback = 1u << 0,
    kChangedMetadata = 1u << 1,
    kChangedShuffle = 1u << 2,
    kChangedVolume = 1u << 3,
};
uint32_t changedProperties(const MediaStatus& before, const MediaStatus& after);

// The player's side of the service. Both are called on the service's
// thread and never call into the player.
class MediaRemote {
public:
    virtual ~MediaRemote() = default;
    // Hands a request on, waiting for room while the player is busy with
    // earlier ones; false when the player takes no more (it is quitting).
    virtual bool request(const RemoteRequest& request) = 0;
    // The status the player published last.
    virtual const MediaStatus& status() = 0;
};

// A running service. The player calls statusChanged (on its own thread,
// cheap, never blocking) after it published a status that differs from the
// one before; the service then announces what changed.
class MediaService {
public:
    virtual ~MediaService() = default;
    virtual void statusChanged() = 0;
};

// What the service shows the desktop about the program.
constexpr const char* kMediaIdentity = "QUARVEN 2 soundtrack";
// The installed menu entry's file name without ".desktop": the desktop takes
// the player's icon and name from it.
constexpr const char* kMediaDesktopEntry = "example.quarven2.player";
constexpr const char* kMediaBusName = "org.mpris.MediaPlayer2.quarven2";

} // namespace platform
