/* Data only: libdw reads a unit's DW_FORM_addr attributes (a function's low_pc) with the
   ELF class's address size, not AVR's 2 bytes; the data's DW_OP_addr blocks are read by
   their own length. */
typedef short Frac16;
struct tagREG { unsigned short RW : 1; unsigned short ADDR : 4; unsigned short DATA : 11; };
struct tagPARAMCONVERSION { float gain; Frac16 offset; struct tagREG reg; };
enum MODE { MODE_STOP, MODE_RUN = 3 };
struct tagPARAMCONVERSION pConv;
unsigned char name[61];
short table[1024];
enum MODE mode;
double ratio;
long total;
char c1, c2;
