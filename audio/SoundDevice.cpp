#include "audio/SoundDevice.h"

#include <SDL2/SDL.h>

CSoundDevice::CSoundDevice() {
    // SDL's audio brings up its event system, which by default takes SIGINT
    // and SIGTERM for a quit event nobody reads here: the program would no
    // longer end on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    m_available = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

CSoundDevice::~CSoundDevice() {
    if (m_available)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
