/* Every kind of C object the readers type: compiled by make-clang-elf.sh into DWARF 2
   to 5, with the bit fields of DWARF 4 and 5 placed both ways. */
typedef short Frac16;
typedef unsigned int (*Handler)(int, char);

struct reg {
    unsigned short rw : 1;
    unsigned short addr : 4;
    unsigned short data : 11;
    signed char level : 3;
};
struct node {
    struct node *next;
    int value;
    const volatile char tag;
    union {
        unsigned short word;
        unsigned char bytes[2];
    } raw;
};
union word {
    unsigned short w;
    unsigned char b[2];
    struct reg r;
};
enum mode { MODE_STOP, MODE_RUN = 3, MODE_FAULT = -1 };
enum small { SMALL_A = 1, SMALL_B = 200 } __attribute__((packed));

struct reg regs;
struct node head;
union word words[4];
enum mode mode;
enum small small;
Frac16 gain;
short grid[3][4][5];
Handler handler;
unsigned int (*plain)(void);
void (*table[2])(void);
Handler *handlers;
const float limit = 1.5f;
volatile unsigned long ticks;
char text[] = "caf\xe9";
double ratio;
long long big;
_Bool ready;

int count(void)
{
    static int calls;
    {
        static unsigned char inner[3];
        inner[calls % 3]++;
    }
    return ++calls;
}
