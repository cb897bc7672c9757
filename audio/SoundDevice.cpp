#include "audio/SoundDevice.h"

#include <SDL2/SDL.h>

CSoundDevice::CSoundDevice() { m_available = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }

CSoundDevice::~CSoundDevice() {
    if (m_available)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
