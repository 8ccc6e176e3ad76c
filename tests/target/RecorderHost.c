/* The recorder as the host's tests build it: the target's word addresses index this
 * array instead of the chip's data memory. */
#include <stdint.h>

uint16_t quobinTestRam[4096];

#define QUOBIN_RECORDER_WORD(address) ((volatile const uint16_t *)&quobinTestRam[(address) & 4095u])
#include "target/quobin_recorder.c"
