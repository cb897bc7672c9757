/*
 * The client side of kelvclip's frame-serving channel, for external encoder
 * programs and their plug-ins. kelvclip names a placeholder file to the
 * external program (the job file's source); the placeholder holds the name
 * of a private shared-memory channel over which the program asks for the
 * album's frames and sound. docs/frame-serving.md describes the channel.
 *
 * A channel handle is used by one thread at a time. Every call that waits
 * for kelvclip gives up when kelvclip's process ends or shuts the channel
 * down, so a client never hangs on a server that is gone.
 */
#ifndef KVFRAMECLIENT_H
#define KVFRAMECLIENT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define KVFC_API __attribute__((visibility("default")))
#else
#define KVFC_API
#endif

/* The protocol this library speaks. */
#define KVFC_PROTOCOL_VERSION 1

typedef struct kvfc_channel kvfc_channel;

typedef struct kvfc_video_info {
    uint32_t frames;   /* frames of the album */
    uint32_t rate_num; /* frame rate: 25/1 or 30000/1001 */
    uint32_t rate_den;
    uint32_t width;    /* picture size in pixels */
    uint32_t height;
    uint32_t bits;     /* bits per pixel of the frames served: 24 */
} kvfc_video_info;

typedef struct kvfc_audio_info {
    int64_t length;       /* sample frames; 0 when the album has no sound */
    uint32_t rate;        /* samples per second */
    uint32_t channels;
    uint32_t bits;        /* bits per sample: 16 is signed little-endian, 8 unsigned */
    uint32_t block_align; /* bytes of one sample frame */
} kvfc_audio_info;

enum kvfc_status {
    KVFC_OK = 0,
    KVFC_NO_DATA = 1,             /* the frame cannot be had */
    KVFC_ERR_ARGUMENT = -1,       /* a null pointer or a size of no use */
    KVFC_ERR_PLACEHOLDER = -2,    /* the placeholder cannot be read or names no channel */
    KVFC_ERR_CHANNEL = -3,        /* the channel cannot be opened (gone, not private, damaged) */
    KVFC_ERR_VERSION = -4,        /* kelvclip speaks another protocol version */
    KVFC_ERR_BUSY = -5,           /* another client is connected */
    KVFC_ERR_REJECTED = -6,       /* kelvclip turned this client away */
    KVFC_ERR_GONE = -7,           /* kelvclip ended or shut the channel down */
    KVFC_ERR_TIMEOUT = -8,        /* kelvclip did not accept the client in time */
    KVFC_ERR_PROTOCOL = -9,       /* a reply that breaks the protocol, or a refused request */
    KVFC_ERR_SMALL_BUFFER = -10,  /* the buffer cannot hold the reply */
    KVFC_ERR_MEMORY = -11
};

/* Opens the channel the placeholder file names and connects as its client,
 * waiting up to timeout_ms (-1: without limit) for kelvclip to accept. On
 * KVFC_OK *channel is the handle, to be closed with kvfc_close. */
KVFC_API int kvfc_open(const char* placeholder, int timeout_ms, kvfc_channel** channel);
/* Leaves the channel; another client may connect afterwards. */
KVFC_API void kvfc_close(kvfc_channel* channel);

KVFC_API int kvfc_get_video_info(kvfc_channel* channel, kvfc_video_info* info);
KVFC_API int kvfc_get_audio_info(kvfc_channel* channel, kvfc_audio_info* info);

/* Frame `index` (from 0) as 24-bit pixels in blue, green, red order, bottom
 * row first, rows of width x 3 bytes without padding: width x height x 3
 * bytes into buffer. KVFC_NO_DATA when kelvclip cannot make that frame. */
KVFC_API int kvfc_read_frame(kvfc_channel* channel, uint32_t index, void* buffer, size_t size);
/* The same in two steps, so that kelvclip renders the next frame while the
 * caller is busy with the last one: a request, then its reply. Only one
 * request may be outstanding. */
KVFC_API int kvfc_request_frame(kvfc_channel* channel, uint32_t index);
KVFC_API int kvfc_receive_frame(kvfc_channel* channel, void* buffer, size_t size);

/* The next sound, up to `wanted` sample frames of interleaved PCM in the
 * format kvfc_get_audio_info gives; *got is set to the sample frames delivered,
 * 0 at the end of the sound. The sound is read in order, once. */
KVFC_API int kvfc_read_audio(kvfc_channel* channel, uint32_t wanted, void* buffer, size_t size,
                             uint32_t* got);

/* What a status means, in a few words. */
KVFC_API const char* kvfc_status_text(int status);

#ifdef __cplusplus
}
#endif

#endif
