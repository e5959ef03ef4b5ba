// rand and srand as the GNU C library computes them, for the browser build.
//
// The game's draws (the default hiscore table, the scenery, the next game's
// sheets) come from the C library's rand, and a replay holds only the input
// and the clock: the browser's C library (musl) draws another sequence from
// the same seed, so its replays would part from the desktop's. This is
// glibc's default generator (random(3)'s additive feedback, x[i] = x[i-3] +
// x[i-31]), which the link takes instead of the library's.

#ifdef __EMSCRIPTEN__

#include <cstdint>

enum { DEGREE = 31, SEPARATION = 3, DISCARDED = 310 };

static uint32_t table[DEGREE];
static int front = SEPARATION, rear = 0;
static int seeded = 0;

static int32_t next() {
    table[front] += table[rear];
    int32_t result = static_cast<int32_t>(table[front] >> 1);
    front = (front + 1) % DEGREE;
    rear = (rear + 1) % DEGREE;
    return result;
}

extern "C" void srand(unsigned seed) {
    // Park and Miller's minimal standard generator fills the table, in
    // Schrage's form so that no step overflows 32 bits.
    int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
    table[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < DEGREE; i++) {
        int32_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        table[i] = static_cast<uint32_t>(word);
    }
    front = SEPARATION;
    rear = 0;
    seeded = 1;
    for (int i = 0; i < DISCARDED; i++)
        next();
}

extern "C" int rand() {
    if (!seeded)
        srand(1); // as C says: a program that never seeds draws as if seeded with 1
    return next();
}

#endif
