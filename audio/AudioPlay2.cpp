#include "audio/AudioPlay2.h"

#include "audio/AudioSrc.h"
#include "audio/SoundDevice.h"
#include "base/ThreadName.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace {

void DeviceCallback(void* user, Uint8* stream, int length) {
    static_cast<CAudioPlay2*>(user)->Consume(stream, std::size_t(length));
}

} // namespace

CAudioPlay2::CAudioPlay2(CSoundDevice& device, IAudioPlayListener* listener)
    : m_device(device), m_listener(listener) {}

CAudioPlay2::~CAudioPlay2() { Close(); }

bool CAudioPlay2::IsPlaying() const {
    std::lock_guard lock(m_lock);
    return m_playing;
}

int CAudioPlay2::Open(IAudioSrc* source) {
    Close();
    if (!source || !source->Open())
        return 0;
    m_rate = source->GetSampleRate();
    m_block = source->GetBlockAlign();
    if (m_rate <= 0 || m_block <= 0) {
        source->Close();
        return 0;
    }
    m_silence = source->GetBitsPerSample() == 8 ? 0x80 : 0;
    m_ring.assign(std::size_t(m_block) * std::size_t(m_rate) * 2, m_silence);
    if (m_device.IsAvailable()) {
        SDL_AudioSpec want{}, have{};
        want.freq = m_rate;
        want.format = source->GetBitsPerSample() == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = Uint8(source->GetChannels());
        want.samples = 1024;
        want.callback = DeviceCallback;
        want.userdata = this;
        m_deviceId = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (m_deviceId == 0) {
        source->Close();
        m_ring.clear();
        return 0;
    }
    m_source = source;
    std::lock_guard lock(m_lock);
    Fill();
    return 1;
}

void CAudioPlay2::Fill() {
    std::size_t frames = m_ring.size() / std::size_t(m_block);
    std::size_t written = 0;
    while (written < frames) {
        int count = int(frames - written);
        const std::uint8_t* data = m_source->Read(count);
        if (!data || count <= 0)
            break;
        std::memcpy(m_ring.data() + written * std::size_t(m_block), data,
                    std::size_t(count) * std::size_t(m_block));
        written += std::size_t(count);
    }
    std::fill(m_ring.begin() + std::ptrdiff_t(written * std::size_t(m_block)), m_ring.end(), m_silence);
    m_write = (written * std::size_t(m_block)) % m_ring.size();
    m_play = 0;
}

std::size_t CAudioPlay2::Pending() const {
    std::size_t size = m_ring.size();
    std::size_t pending = (m_write + size - m_play) % size;
    return pending == 0 && m_write == m_play ? size : pending;
}

void CAudioPlay2::Consume(std::uint8_t* out, std::size_t bytes) {
    std::lock_guard lock(m_lock);
    if (m_ring.empty() || !m_playing) {
        std::memset(out, m_silence, bytes);
        return;
    }
    for (std::size_t done = 0; done < bytes;) {
        std::size_t n = std::min(bytes - done, m_ring.size() - m_play);
        std::memcpy(out + done, m_ring.data() + m_play, n);
        m_play = (m_play + n) % m_ring.size();
        done += n;
    }
}

int CAudioPlay2::Start() {
    if (!m_source)
        return 0;
    {
        std::lock_guard lock(m_lock);
        if (m_playing)
            return 1;
        m_playing = true;
    }
    if (m_pump.joinable())
        m_pump.join();
    m_end.Reset();
    SDL_PauseAudioDevice(m_deviceId, 0);
    m_pump = std::thread([this] {
        SetThreadName("kv-sound-pump");
        while (!m_end.WaitFor(std::chrono::milliseconds(250)))
            Pump();
    });
    if (m_listener)
        m_listener->OnPlayStarted();
    return 1;
}

void CAudioPlay2::Pump() {
    double progress = -1;
    int stopWith = -1;
    {
        std::lock_guard lock(m_lock);
        if (!m_playing || !m_source)
            return;
        std::size_t size = m_ring.size();
        std::size_t pendingFrames = Pending() / std::size_t(m_block);
        std::size_t free = size - Pending();
        std::int64_t position = m_source->Tell(), length = m_source->GetLength();
        if (length >= 0 && position >= length) {
            double left = double(length - (position - std::int64_t(pendingFrames))) / m_rate;
            if (left < 0.25)
                stopWith = 0;
        } else {
            std::size_t frames = free / std::size_t(m_block), done = 0;
            bool failed = false;
            while (done < frames) {
                int count = int(frames - done);
                const std::uint8_t* data = m_source->Read(count);
                if (!data || count <= 0) {
                    failed = m_source->Tell() < length;
                    break;
                }
                for (std::size_t b = 0; b < std::size_t(count) * std::size_t(m_block);) {
                    std::size_t n = std::min(std::size_t(count) * std::size_t(m_block) - b, size - m_write);
                    std::memcpy(m_ring.data() + m_write, data + b, n);
                    m_write = (m_write + n) % size;
                    b += n;
                }
                done += std::size_t(count);
            }
            for (std::size_t b = done * std::size_t(m_block); b < frames * std::size_t(m_block); ++b) {
                m_ring[m_write] = m_silence;
                m_write = (m_write + 1) % size;
            }
            if (failed)
                stopWith = 0;
            else
                progress = double(m_source->Tell() - std::int64_t(Pending() / std::size_t(m_block))) / m_rate;
        }
    }
    if (stopWith >= 0)
        Stop(stopWith);
    else if (progress >= 0 && m_listener)
        m_listener->OnPlayProgress(progress);
}

int CAudioPlay2::Position(double* seconds) {
    std::lock_guard lock(m_lock);
    if (!m_playing || !m_source)
        return 0;
    std::int64_t pending = std::int64_t(Pending() / std::size_t(m_block));
    if (seconds)
        *seconds = double(m_source->Tell() - pending) / m_rate;
    return 1;
}

int CAudioPlay2::Seek(double seconds) {
    std::lock_guard lock(m_lock);
    if (!m_source)
        return 0;
    if (m_source->SeekTime(seconds) < 0) {
        m_source->Seek(0, IAudioSrc::kFromEnd);
        return 0;
    }
    Fill();
    return 1;
}

void CAudioPlay2::Stop(int parameter) {
    {
        std::lock_guard lock(m_lock);
        if (!m_playing)
            return;
        m_playing = false;
    }
    m_end.Set();
    if (m_deviceId)
        SDL_PauseAudioDevice(m_deviceId, 1);
    if (m_pump.joinable() && m_pump.get_id() != std::this_thread::get_id())
        m_pump.join();
    if (m_listener)
        m_listener->OnPlayStopped(parameter);
}

void CAudioPlay2::Close() {
    Stop(1);
    if (m_pump.joinable() && m_pump.get_id() != std::this_thread::get_id())
        m_pump.join();
    if (m_deviceId) {
        SDL_CloseAudioDevice(m_deviceId);
        m_deviceId = 0;
    }
    if (m_source)
        m_source->Close();
    m_source = nullptr;
    m_ring.clear();
}
