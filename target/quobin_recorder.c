/* quobin_recorder: see quobin_recorder.h. */
#include "quobin_recorder.h"

/*
 * The host names variables by their word address, as the linker map gives them. On the
 * 56800/56800E a pointer to a 16-bit word holds that word address itself (data memory is
 * word-addressed; only char pointers hold byte addresses), so the address converts to a
 * word pointer as it is. A build for another machine (the host's tests) defines
 * QUOBIN_RECORDER_WORD to reach its own memory instead.
 */
#ifndef QUOBIN_RECORDER_WORD
#define QUOBIN_RECORDER_WORD(address) ((volatile const uint16_t *)(uintptr_t)(address))
#endif

static uint32_t Address(const QuobinRecorderChannel *channel)
{
    return ((uint32_t)channel->addressHigh << 16) | channel->addressLow;
}

/* A value of one or two words, read as a signed number of that width. */
static int32_t Signed(uint16_t low, uint16_t high, uint16_t words)
{
    if (words == 1u) return (int32_t)(int16_t)low;
    return (int32_t)(((uint32_t)high << 16) | low);
}

static int Crossed(const QuobinRecorderHeader *header, int32_t before, int32_t now)
{
    const uint16_t words = header->channel[header->triggerChannel].words;
    const int32_t level = Signed(header->levelLow, header->levelHigh, words);
    const int rising = before < level && now >= level;
    const int falling = before >= level && now < level;
    if (header->edge == QUOBIN_RECORDER_RISING) return rising;
    if (header->edge == QUOBIN_RECORDER_FALLING) return falling;
    return rising || falling;
}

void QuobinRecorder_Sample(QuobinRecorderHeader *header)
{
    uint16_t *buffer;
    uint16_t at;
    uint16_t channel;
    uint32_t samples;
    uint16_t triggerLow = 0u;
    uint16_t triggerHigh = 0u;

    if (header->state != QUOBIN_RECORDER_ARMED && header->state != QUOBIN_RECORDER_TRIGGERED) return;
    if (++header->dividerCount < header->divider) return;
    header->dividerCount = 0u;
    /* Whatever the host wrote, nothing is written outside the buffer. */
    if (header->bufferWords > header->capacityWords || header->sampleWords == 0u ||
        header->writeIndex > header->bufferWords - header->sampleWords || header->sampleWords > header->bufferWords) {
        header->state = QUOBIN_RECORDER_IDLE;
        return;
    }

    /* The sample: every channel's words in turn, at most 8 x 2 and never more than
     * sampleWords. */
    buffer = (uint16_t *)(void *)(header + 1);
    at = header->writeIndex;
    for (channel = 0u; channel < header->channelCount && channel < QUOBIN_RECORDER_MAX_CHANNELS; ++channel) {
        volatile const uint16_t *source = QUOBIN_RECORDER_WORD(Address(&header->channel[channel]));
        const uint16_t words = header->channel[channel].words == 2u ? 2u : 1u;
        const uint16_t low = source[0];
        const uint16_t high = words == 2u ? source[1] : 0u;
        if ((uint16_t)(at - header->writeIndex) + words > header->sampleWords) break;
        buffer[at++] = low;
        if (words == 2u) buffer[at++] = high;
        if (channel == header->triggerChannel) {
            triggerLow = low;
            triggerHigh = high;
        }
    }
    samples = (((uint32_t)header->samplesHigh << 16) | header->samplesLow) + 1u;
    header->samplesLow = (uint16_t)samples;
    header->samplesHigh = (uint16_t)(samples >> 16);

    if (header->state == QUOBIN_RECORDER_ARMED) {
        int fire = header->triggerChannel == QUOBIN_RECORDER_NO_TRIGGER;
        /* The first sample has no value before it to cross the level from. */
        if (!fire && header->triggerChannel < header->channelCount && samples > header->preTrigger &&
            samples > 1u) {
            const uint16_t words = header->channel[header->triggerChannel].words;
            fire = Crossed(header, Signed(header->previousLow, header->previousHigh, words),
                           Signed(triggerLow, triggerHigh, words));
        }
        if (fire) {
            header->triggerIndex = header->writeIndex;
            header->state = QUOBIN_RECORDER_TRIGGERED;
        }
    }
    header->previousLow = triggerLow;
    header->previousHigh = triggerHigh;
    /* The next sample wraps to the start when it would not fit: a comparison, no division. */
    header->writeIndex = header->writeIndex + header->sampleWords > header->bufferWords - header->sampleWords
                             ? 0u
                             : (uint16_t)(header->writeIndex + header->sampleWords);

    if (header->state == QUOBIN_RECORDER_TRIGGERED) {
        if (header->postTrigger > 0u) --header->postTrigger;
        if (header->postTrigger == 0u) header->state = QUOBIN_RECORDER_DONE;
    }
}
