/* A slow disk for the real player, without changing the player: loaded with
 * LD_PRELOAD, it stands in front of read() and holds back reads of the
 * track files (names ending in ".mp3"), as a network home folder, a USB
 * disk waking up or a cold cache under load would.
 *   Q2_STALL_MS=N, Q2_STALL_EVERY_MS=M  a track read sleeps N ms when M ms
 *                                       have passed since the last such
 *                                       sleep ended
 *   Q2_STALL_WHILE=FILE                 track reads wait while FILE exists;
 *                                       FILE.waiting is made while one waits
 *   Q2_STALL_LOG=FILE                   at exit, how many reads were held
 * Only the tests load it; it is never installed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef ssize_t (*ReadFn)(int fd, void* buffer, size_t count);

static ReadFn realRead;
static double lastStallEndMs = -1e9;
static volatile long stalls;

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static void sleepMs(long ms)
{
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0) {
    }
}

static int isTrack(int fd)
{
    char link[64], target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 4 && memcmp(target + length - 4, ".mp3", 4) == 0;
}

static void waitWhileFlagged(const char* flag)
{
    if (access(flag, F_OK) != 0)
        return;
    char waiting[4096];
    snprintf(waiting, sizeof waiting, "%s.waiting", flag);
    const int marker = open(waiting, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (marker >= 0)
        close(marker);
    ++stalls;
    while (access(flag, F_OK) == 0)
        sleepMs(5);
    unlink(waiting);
}

static void stallNowAndThen(void)
{
    const char* stall = getenv("Q2_STALL_MS");
    const char* every = getenv("Q2_STALL_EVERY_MS");
    if (stall == NULL || every == NULL)
        return;
    /* Reads come from one thread at a time in the player (the start-up's
     * opens, then the decoder), so the time needs no lock. */
    if (nowMs() - lastStallEndMs < atof(every))
        return;
    sleepMs(atol(stall));
    lastStallEndMs = nowMs();
    ++stalls;
}

ssize_t read(int fd, void* buffer, size_t count)
{
    if (realRead == NULL)
        realRead = (ReadFn)dlsym(RTLD_NEXT, "read");
    if (isTrack(fd)) {
        const char* flag = getenv("Q2_STALL_WHILE");
        if (flag != NULL)
            waitWhileFlagged(flag);
        stallNowAndThen();
    }
    return realRead(fd, buffer, count);
}

__attribute__((destructor)) static void report(void)
{
    const char* path = getenv("Q2_STALL_LOG");
    FILE* log = path != NULL ? fopen(path, "w") : NULL;
    if (log == NULL)
        return;
    fprintf(log, "%ld\n", stalls);
    fclose(log);
}
