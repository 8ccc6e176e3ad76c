/* A second unit, so that the readers go from one unit to the next and find the types of
   each in its own unit. */
struct node;
struct pair { struct node *left; struct node *right; };
extern int shared;
int shared = 7;
struct pair pairs[2];
static const char *names[3];
const char **use(void) { return names; }
