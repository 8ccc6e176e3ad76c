/*
 * quobin_recorder: a small recorder for the target's control loop, which Quobin
 * configures, arms and reads out through the POD. Add quobin_recorder.c and this file to
 * the firmware, define one recorder (QUOBIN_RECORDER_DEFINE) and call
 * QuobinRecorder_Sample() once per control period, from the control interrupt.
 *
 * Portable C99 without compiler extensions. Every field is a 16-bit word, so the layout
 * is the same on every compiler of these chips (no padding), and the host can read and
 * write it word by word: the host finds the recorder by its symbol in the linker map.
 */
#ifndef QUOBIN_RECORDER_H
#define QUOBIN_RECORDER_H

#include <stdint.h>

#define QUOBIN_RECORDER_MAGIC 0x5152u /* "QR" */
#define QUOBIN_RECORDER_VERSION 1u
#define QUOBIN_RECORDER_MAX_CHANNELS 8u

/* States: the host writes the configuration while IDLE and sets ARMED; the recorder fills
 * its ring until the trigger (TRIGGERED), then the samples after it, and stops (DONE). */
#define QUOBIN_RECORDER_IDLE 0u
#define QUOBIN_RECORDER_ARMED 1u
#define QUOBIN_RECORDER_TRIGGERED 2u
#define QUOBIN_RECORDER_DONE 3u

/* Trigger edges, and the trigger channel that means "start at once". */
#define QUOBIN_RECORDER_RISING 0u
#define QUOBIN_RECORDER_FALLING 1u
#define QUOBIN_RECORDER_EITHER 2u
#define QUOBIN_RECORDER_NO_TRIGGER 0xFFFFu

typedef struct QuobinRecorderChannel {
    uint16_t addressLow;  /* the variable's word address on the target: low 16 bits */
    uint16_t addressHigh; /* and the bits above them */
    uint16_t words;       /* 1 or 2; a 2-word value is stored low word first */
} QuobinRecorderChannel;

/* The header, 45 words, followed in memory by the buffer. Fields marked (host) are
 * written by the host while the state is IDLE; the rest are the recorder's. */
typedef struct QuobinRecorderHeader {
    uint16_t magic;        /* QUOBIN_RECORDER_MAGIC */
    uint16_t version;      /* QUOBIN_RECORDER_VERSION */
    uint16_t state;        /* (host sets ARMED) */
    uint16_t channelCount; /* (host) 1..QUOBIN_RECORDER_MAX_CHANNELS */
    QuobinRecorderChannel channel[QUOBIN_RECORDER_MAX_CHANNELS]; /* (host) */
    uint16_t divider;        /* (host) a sample every `divider` calls, 1..65535 */
    uint16_t triggerChannel; /* (host) 0..channelCount-1, or QUOBIN_RECORDER_NO_TRIGGER */
    uint16_t levelLow;       /* (host) trigger level, compared as a signed number of the */
    uint16_t levelHigh;      /*        trigger channel's width */
    uint16_t edge;           /* (host) QUOBIN_RECORDER_RISING, _FALLING or _EITHER */
    uint16_t preTrigger;     /* (host) samples kept from before the trigger */
    uint16_t sampleWords;    /* (host) words of one sample: the channels' words summed */
    uint16_t capacityWords;  /* the buffer's length as defined in the firmware */
    uint16_t bufferWords;    /* (host) the words used: a whole number of samples, at most
                                capacityWords */
    uint16_t postTrigger;    /* (host) samples to take from the trigger on, it included */
    uint16_t writeIndex;     /* word of the buffer the next sample goes to */
    uint16_t samplesLow;     /* samples taken since armed (32 bits) */
    uint16_t samplesHigh;
    uint16_t triggerIndex;   /* word of the buffer the trigger's sample went to */
    uint16_t dividerCount;   /* calls since the last sample */
    uint16_t previousLow;    /* the trigger channel's value at the last sample */
    uint16_t previousHigh;
} QuobinRecorderHeader;

/* One recorder: its header and a buffer of `words` words right after it. */
#define QUOBIN_RECORDER_DEFINE(name, words)                                                \
    struct {                                                                               \
        QuobinRecorderHeader header;                                                       \
        uint16_t buffer[words];                                                            \
    } name = {{QUOBIN_RECORDER_MAGIC, QUOBIN_RECORDER_VERSION, QUOBIN_RECORDER_IDLE, 0u,   \
               {{0u, 0u, 0u}}, 1u, QUOBIN_RECORDER_NO_TRIGGER, 0u, 0u, 0u, 0u, 0u, (words), \
               0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u},                                        \
              {0u}}

/* Takes one sample when armed, every `divider` calls: constant time (at most 16 words
 * copied), no division, no loop over the buffer. `header` is the recorder's header; its
 * buffer follows it in memory. A configuration that would write past the buffer (a
 * sample wider than sampleWords, a buffer longer than its capacity) is never carried out:
 * the recorder goes back to IDLE instead. */
void QuobinRecorder_Sample(QuobinRecorderHeader *header);

#endif /* QUOBIN_RECORDER_H */
