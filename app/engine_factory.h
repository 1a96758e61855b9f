// The audio engine the program plays through, on the SDL audio device.
#pragma once

#include "audio/audio_engine.h"

#include <memory>

std::unique_ptr<AudioEngine> makeAudioEngine();
