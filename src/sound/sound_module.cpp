// SPDX-License-Identifier: MIT
// The sound module's entry points.
#include "sound/sound_module.h"

#include "sound/qt_sound_player.h"

#include <type_traits>

extern "C" {

Q_DECL_EXPORT vantro::SoundPlayer* vantro_new_sound_player(const QUrl* source) {
    return new vantro::sound::QtSoundPlayer(*source);
}

Q_DECL_EXPORT void vantro_describe_audio_output(QString* line) {
    *line = vantro::sound::QtSoundPlayer::outputDescription();
}
}

// Checked here, so the app's casts of the resolved symbols match what the module defines.
static_assert(std::is_same_v<decltype(&vantro_new_sound_player), VantroNewSoundPlayer>);
static_assert(std::is_same_v<decltype(&vantro_describe_audio_output), VantroDescribeAudioOutput>);
