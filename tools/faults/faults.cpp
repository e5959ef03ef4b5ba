// faults: a library preloaded into the real program (LD_PRELOAD) that makes
// the system fail it on purpose, so the suite can see what the game does
// when memory runs out or a save cannot reach the disk.
//
//   FAULT_ALLOC_AT=n    the n-th allocation (malloc, calloc, realloc; from 1)
//                       fails, counted from the first SDL_Init: GLib, pulled
//                       in by SDL_mixer, allocates in its constructors before
//                       main and aborts by design when that fails
//   FAULT_FSYNC=1       every fsync fails (EIO)
//   FAULT_RENAME=1      every rename fails (EIO)
//   FAULT_LOG=file      gets "failed N SIZE" when the allocation fails,
//                       "allocations N" when the program exits normally
//                       (the count up to this library's own destructor), and
//                       "signal S" and the stack when the program crashes
//
// Only the allocation asked for fails; the ones after it succeed again.

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *old, size_t size);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<unsigned long> allocations{0};
unsigned long failAt = 0;
int logFd = -1;

unsigned long envNumber(const char *name) {
    const char *text = getenv(name);
    return text ? strtoul(text, nullptr, 10) : 0;
}

// Without allocating: this runs inside malloc.
void logLine(const char *what, unsigned long a, unsigned long b, bool withB) {
    if (logFd < 0)
        return;
    char line[96];
    int n = withB ? snprintf(line, sizeof line, "%s %lu %lu\n", what, a, b)
                  : snprintf(line, sizeof line, "%s %lu\n", what, a);
    if (n > 0 && write(logFd, line, size_t(n)) < 0)
        return;
}

// The stack at this point, one frame a line: backtrace_symbols_fd does not
// allocate, and backtrace itself was warmed up before counting began.
void logStack() {
    void *frames[64];
    int n = backtrace(frames, 64);
    if (logFd >= 0)
        backtrace_symbols_fd(frames, n, logFd);
}

bool failThisOne(size_t size) {
    if (!counting.load(std::memory_order_relaxed))
        return false;
    unsigned long n = ++allocations;
    if (n != failAt)
        return false;
    logLine("failed", n, size, true);
    logStack(); // where it failed, to tell the game's allocations from a library's
    errno = ENOMEM;
    return true;
}

// The stack of a crash, for the report.
void onCrash(int sig) {
    logLine("signal", static_cast<unsigned long>(sig), 0, false);
    logStack();
    signal(sig, SIG_DFL);
    raise(sig);
}

void startCounting() {
    if (counting.load())
        return;
    failAt = envNumber("FAULT_ALLOC_AT");
    if (const char *log = getenv("FAULT_LOG"))
        logFd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    void *warm[1];
    backtrace(warm, 1); // loads what it needs now, while nothing fails
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL})
        signal(sig, onCrash);
    counting.store(true);
}

// The count ends here: what the C runtime and the other libraries still
// allocate while they close down (a coverage build's writer, for one) is
// not the program's to survive.
__attribute__((destructor)) void reportCount() {
    if (counting.exchange(false))
        logLine("allocations", allocations.load(), 0, false);
}

int (*realSDLInit)(unsigned);
int (*realFsync)(int);
int (*realRename)(const char *, const char *);

// Looked up before anything is counted: dlsym allocates, and one of its
// allocations failing must not leave us without the real function.
__attribute__((constructor)) void findRealFunctions() {
    realSDLInit = reinterpret_cast<int (*)(unsigned)>(dlsym(RTLD_NEXT, "SDL_Init"));
    realFsync = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    realRename = reinterpret_cast<int (*)(const char *, const char *)>(dlsym(RTLD_NEXT, "rename"));
}

bool failing(const char *name) {
    const char *v = getenv(name);
    return v && strcmp(v, "1") == 0;
}

} // namespace

extern "C" {

void *malloc(size_t size) {
    return failThisOne(size) ? nullptr : __libc_malloc(size);
}

void *calloc(size_t count, size_t size) {
    return failThisOne(count * size) ? nullptr : __libc_calloc(count, size);
}

void *realloc(void *old, size_t size) {
    // realloc(p, 0) frees; it is no allocation to fail.
    return size && failThisOne(size) ? nullptr : __libc_realloc(old, size);
}

int SDL_Init(unsigned flags) {
    startCounting();
    return realSDLInit(flags);
}

int fsync(int fd) {
    if (failing("FAULT_FSYNC")) {
        errno = EIO;
        return -1;
    }
    return realFsync(fd);
}

int rename(const char *from, const char *to) {
    if (failing("FAULT_RENAME")) {
        errno = EIO;
        return -1;
    }
    return realRename(from, to);
}
}
