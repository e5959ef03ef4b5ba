#include "storage/config.h"

#include "core/level.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "storage/hiscores.h"

#include <climits>
#include <cstdlib>
#include <cstring>

int _mus_volume_100_ = 100;
int _sfx_volume_100_ = 15;
int mpFlags = 3, mpResamplingMode = 1, mpReverbDepth = 0, mpReverbDelay = 0, mpBassAmount = 0,
    mpBassRange = 0, mpSurroundDepth = 0, mpSurroundDelay = 0;

enum { BINDINGS = 7 };

// The stored bindings, in the order of the file. SELECT is never stored.
struct Param {
    const char *name;
    int *key;
    int *button;
};

static const Param params[BINDINGS] = {
    {"jump", &JUMP_KEY, &JUMP_BUTTON},    {"pause", &PAUSE_KEY, &PAUSE_BUTTON},
    {"start", &START_KEY, &START_BUTTON}, {"up", &UP_KEY, &UP_BUTTON},
    {"down", &DOWN_KEY, &DOWN_BUTTON},    {"left", &LEFT_KEY, &LEFT_BUTTON},
    {"right", &RIGHT_KEY, &RIGHT_BUTTON},
};

// How a setting takes the value read for it.
enum Rule {
    RULE_RANGE, // lo ... hi taken, anything else becomes `other`
    RULE_CLAMP, // clamped into lo ... hi
    RULE_FLAG,  // exactly 1 sets bit `other` of mpFlags; nothing clears it
};

struct Setting {
    const char *key; // with its "="
    int *target;
    int rule, lo, hi, other;
};

// In the order the file is written.
static const Setting settings[] = {
    {"mus_volume=", &_mus_volume_100_, RULE_RANGE, 0, 100, 100},
    {"sfx_volume=", &_sfx_volume_100_, RULE_RANGE, 0, 100, 100},
    {"mpFlagsOVERSAMPLING=", &mpFlags, RULE_FLAG, 0, 0, 1},
    {"mpResamplingMode=", &mpResamplingMode, RULE_RANGE, 0, 3, 1},
    {"mpFlagsNOISE_REDUCTION=", &mpFlags, RULE_FLAG, 0, 0, 2},
    {"mpFlagsREVERB=", &mpFlags, RULE_FLAG, 0, 0, 4},
    {"mpReverbDepth=", &mpReverbDepth, RULE_CLAMP, 0, 100, 0},
    {"mpReverbDelay=", &mpReverbDelay, RULE_CLAMP, 40, 200, 0},
    {"mpFlagsMEGABASS=", &mpFlags, RULE_FLAG, 0, 0, 8},
    {"mpBassAmount=", &mpBassAmount, RULE_CLAMP, 0, 100, 0},
    {"mpBassRange=", &mpBassRange, RULE_CLAMP, 10, 100, 0},
    {"mpFlagsSURROUND=", &mpFlags, RULE_FLAG, 0, 0, 16},
    {"mpSurroundDepth=", &mpSurroundDepth, RULE_CLAMP, 0, 100, 0},
    {"mpSurroundDelay=", &mpSurroundDelay, RULE_CLAMP, 5, 40, 0},
};
enum { SETTINGS = sizeof settings / sizeof settings[0] };

static int isSpace(uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The decimal number at `p` as atoi reads it (white space, a sign, digits;
// none reads as 0), but never past `end`; out-of-range values saturate.
static int readNumber(const uint8_t *p, const uint8_t *end) {
    while (p < end && isSpace(*p))
        p++;
    int negative = 0;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++)
        if (value <= INT_MAX)
            value = value * 10 + (*p - '0');
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// A key binding: a lower-case letter stands for its own code.
static int readKey(const uint8_t *p, const uint8_t *end) {
    if (p < end && *p >= 'a' && *p <= 'z')
        return *p;
    return readNumber(p, end);
}

static int startsWith(const uint8_t *p, const uint8_t *end, const char *prefix, size_t n) {
    return static_cast<size_t>(end - p) >= n && memcmp(p, prefix, n) == 0;
}

// Both bindings of one name, from wherever their keys stand in the text.
static void scanBinding(const uint8_t *text, unsigned size, const char *name, int *key,
                        int *button) {
    char keyPrefix[16], buttonPrefix[16];
    snprintf(keyPrefix, sizeof keyPrefix, "k_%s=", name);
    snprintf(buttonPrefix, sizeof buttonPrefix, "j_%s=", name);
    size_t n = strlen(keyPrefix);
    const uint8_t *end = text + size;
    // The scan wants two bytes after the key: a one-character value that
    // ends the file is not read.
    for (size_t p = 0; p + n + 2 <= size && (*key < 0 || *button < 0); p++) {
        if (startsWith(text + p, end, keyPrefix, n))
            *key = readKey(text + p + n, end);
        else if (startsWith(text + p, end, buttonPrefix, n))
            *button = readNumber(text + p + n, end);
    }
}

static void applySetting(const Setting &s, int value) {
    switch (s.rule) {
    case RULE_RANGE:
        *s.target = value >= s.lo && value <= s.hi ? value : s.other;
        break;
    case RULE_CLAMP:
        *s.target = value < s.lo ? s.lo : value > s.hi ? s.hi : value;
        break;
    default:
        if (value == 1)
            *s.target |= s.other;
        break;
    }
}

// Every setting wherever its key stands, in the order of the text: the
// last one of a setting wins.
static void scanSettings(const uint8_t *text, unsigned size) {
    const uint8_t *end = text + size;
    for (unsigned p = 0; p < size; p++)
        for (const Setting &s : settings) {
            size_t n = strlen(s.key);
            if (startsWith(text + p, end, s.key, n))
                applySetting(s, readNumber(text + p + n, end));
        }
}

static void traceConfig() {
    if (!replayTracing())
        return;
    char details[256];
    int n = snprintf(details, sizeof details, "mus_volume=%d sfx_volume=%d", _mus_volume_100_,
                     _sfx_volume_100_);
    for (const Param &b : params)
        if (n > 0 && n < static_cast<int>(sizeof details))
            n += snprintf(details + n, sizeof details - n, " k_%s=%d j_%s=%d", b.name, *b.key,
                          b.name, *b.button);
    replayNote("config", details);
}

// The binding to keep: `value` when it is 0 or more, else `current`.
static int keyID(int value, int current) {
    return value >= 0 ? value : current;
}

void loadConfig() {
    const char *path = filename(configFolder, "quenzy", "cfg");
    unsigned size = 0;
    uint8_t *text = path ? loadBINFile(path, &size) : nullptr;
    if (!text) {
        traceConfig();
        return;
    }
    int keys[BINDINGS], buttons[BINDINGS];
    for (int i = 0; i < BINDINGS; i++) {
        keys[i] = buttons[i] = -1;
        scanBinding(text, size, params[i].name, &keys[i], &buttons[i]);
    }
    scanSettings(text, size);
    for (int i = 0; i < BINDINGS; i++) {
        *params[i].key = keyID(keys[i], *params[i].key);
        if (buttons[i] >= 0)
            *params[i].button = buttons[i];
    }
    free(text);
    traceConfig();
}

void dumpKey(const char *name, int key, FILE *stream) {
    if (key >= 'a' && key <= 'z')
        fprintf(stream, "k_%s=%c\n", name, key);
    else
        fprintf(stream, "k_%s=%d\n", name, key);
}

static void dumpSetting(const Setting &s, FILE *stream) {
    int value = s.rule == RULE_FLAG ? (*s.target & s.other) != 0 : *s.target;
    fprintf(stream, "%s%d\n", s.key, value);
}

// The whole file's text into `stream`.
static void writeConfig(FILE *stream) {
    dumpSetting(settings[0], stream);
    dumpSetting(settings[1], stream);
    for (const Param &b : params)
        fprintf(stream, "j_%s=%d\n", b.name, *b.button);
    for (const Param &b : params)
        dumpKey(b.name, *b.key, stream);
    for (int i = 2; i < SETTINGS; i++)
        dumpSetting(settings[i], stream);
}

void dumpConfig() {
    // Formed in memory, then handed to the safe writer in one piece.
    char *text = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&text, &size);
    if (!stream)
        return;
    writeConfig(stream);
    if (fclose(stream) == 0)
        saveUserFile("quenzy", "cfg", text, size);
    free(text);
}
