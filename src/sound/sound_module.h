// SPDX-License-Identifier: MIT
// The entry points of the sound module (vantro-sound.so), the only part of the app on Qt Multimedia.
// The app opens it when the alarm first sounds, so a start loads no audio libraries.
#pragma once

namespace vantro {
class SoundPlayer;
}
class QString;
class QUrl;

extern "C" {
/// A new player of `source`; the caller owns it. Resolved by this name.
using VantroNewSoundPlayer = vantro::SoundPlayer* (*)(const QUrl* source);
/// Sets `line` to one line naming the audio output the alarm will use, or saying there is none.
using VantroDescribeAudioOutput = void (*)(QString* line);
}

namespace vantro::sound {
inline constexpr const char* kNewPlayerSymbol = "vantro_new_sound_player";
inline constexpr const char* kDescribeOutputSymbol = "vantro_describe_audio_output";
}  // namespace vantro::sound
