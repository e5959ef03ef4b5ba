#include "platform/debug.h"

#include <cstdio>
#include <cstdlib>

void error(const char *message) {
    fputs(message, stderr);
    fflush(stderr);
    exit(1);
}
