#include "GameSound.h"

#include "SoundBank.h"

int StartGameSound(int nSound) {
    if (nSound == -1) return 0;
    return StartSound(nSound, 0);
}

int SetGameSoundVolume(int nSound, int nVolume) {
    if (nSound == -1) return 0;
    return SetSoundVolume(nSound, nVolume);
}

int IsGameSoundPlaying(int nSound) {
    if (nSound == -1) return 0;
    return GetSoundStatus(nSound) != 0;
}
