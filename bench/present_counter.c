/* Counts the frames the real player presents, without changing the player:
 * loaded with LD_PRELOAD, it stands in front of SDL_UpdateWindowSurface,
 * SDL_UpdateWindowSurfaceRects and XShmPutImage (the last call of every
 * present, whole or partial, through SDL's surface or the player's own
 * shared image), forwards each call and notes the time.
 * At exit it writes to the file named by Q2_PRESENT_LOG:
 *   first_present_ms  time from this library's load (just before main) to
 *                     the end of the first present
 *   presents          frames presented
 *   span_ms           from the end of the first present to that of the last
 *   mark N MS         for each SIGUSR1: presents so far and the time since
 *                     the load, so a script can count the presents between
 *                     two of its signals
 *   max_gap_ms MS     the longest wait between two presents from the first
 *                     SIGUSR1 to the second (the marks count as presents)
 * Only the measuring script uses it; it is never installed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef int (*UpdateFn)(void* window);
typedef int (*UpdateRectsFn)(void* window, const void* rects, int count);

static UpdateFn realUpdate;
static UpdateRectsFn realUpdateRects;
static double loadedMs, firstMs, lastMs;
static volatile long presents;
#define MAX_MARKS 16
static volatile long markPresents[MAX_MARKS];
static volatile double markMs[MAX_MARKS];
static volatile int marks;
static __thread int insideSdl;
/* The longest gap between the first two marks: -1 before the first. */
static volatile double maxGapMs = -1, gapFromMs;
static volatile int gapClosed;

static void noteGap(double now)
{
    if (maxGapMs < 0 || gapClosed)
        return;
    if (now - gapFromMs > maxGapMs)
        maxGapMs = now - gapFromMs;
    gapFromMs = now;
}

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static void mark(int signal)
{
    (void)signal;
    if (marks == 0) {
        maxGapMs = 0;
        gapFromMs = nowMs();
    } else if (marks == 1) {
        noteGap(nowMs());
        gapClosed = 1;
    }
    if (marks < MAX_MARKS) {
        markPresents[marks] = presents;
        markMs[marks] = nowMs() - loadedMs;
        ++marks;
    }
}

__attribute__((constructor)) static void loaded(void)
{
    loadedMs = nowMs();
    signal(SIGUSR1, mark);
}

static void counted(void)
{
    lastMs = nowMs();
    noteGap(lastMs);
    if (presents++ == 0)
        firstMs = lastMs;
}

int SDL_UpdateWindowSurface(void* window)
{
    if (realUpdate == NULL)
        realUpdate = (UpdateFn)dlsym(RTLD_NEXT, "SDL_UpdateWindowSurface");
    ++insideSdl;
    const int result = realUpdate(window);
    --insideSdl;
    counted();
    return result;
}

/* A present of part of the window; SDL's own calls between the two do not
 * pass through here, so each present counts once. */
int SDL_UpdateWindowSurfaceRects(void* window, const void* rects, int count)
{
    if (realUpdateRects == NULL)
        realUpdateRects = (UpdateRectsFn)dlsym(RTLD_NEXT, "SDL_UpdateWindowSurfaceRects");
    ++insideSdl;
    const int result = realUpdateRects(window, rects, count);
    --insideSdl;
    counted();
    return result;
}

/* The player's own shared-memory present. SDL's surface may put its image
 * the same way inside the calls above; those count there, once. */
typedef int (*ShmPutFn)(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY, int dstX,
                        int dstY, unsigned width, unsigned height, int sendEvent);
static ShmPutFn realShmPut;

int XShmPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY, int dstX, int dstY,
                 unsigned width, unsigned height, int sendEvent)
{
    if (realShmPut == NULL)
        realShmPut = (ShmPutFn)dlsym(RTLD_NEXT, "XShmPutImage");
    const int result = realShmPut(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
    if (!insideSdl)
        counted();
    return result;
}

__attribute__((destructor)) static void report(void)
{
    const char* path = getenv("Q2_PRESENT_LOG");
    FILE* log = path != NULL ? fopen(path, "w") : NULL;
    if (log == NULL)
        return;
    fprintf(log, "first_present_ms %.1f\npresents %ld\nspan_ms %.1f\n", presents > 0 ? firstMs - loadedMs : -1.0,
            presents, lastMs - firstMs);
    for (int i = 0; i < marks; ++i)
        fprintf(log, "mark %ld %.1f\n", markPresents[i], markMs[i]);
    if (maxGapMs >= 0)
        fprintf(log, "max_gap_ms %.1f\n", maxGapMs);
    fclose(log);
}
