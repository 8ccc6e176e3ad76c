/* The recorder of the emulated target's demo program: the firmware's own C file, its
 * word addresses reaching the emulated RAM (DemoProgram.cpp) instead of a chip's data
 * memory. */
#include <stdint.h>

volatile const uint16_t *QuobinSimWord(uint32_t address);

#define QUOBIN_RECORDER_WORD(address) QuobinSimWord(address)
/* Under its own name: a program that links the emulator may build the recorder for its
 * own memory too (the host's tests do), and the two must not be taken for each other. */
#define QuobinRecorder_Sample QuobinSimRecorder_Sample
#include "target/quobin_recorder.c"
