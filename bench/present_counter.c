/* Counts the frames the real player presents, without changing the player:
 * loaded with LD_PRELOAD, it stands in front of SDL_UpdateWindowSurface (the
 * last call of every present), forwards each call to SDL and notes the time.
 * At exit it writes to the file named by Q2_PRESENT_LOG:
 *   first_present_ms  time from this library's load (just before main) to
 *                     the end of the first present
 *   presents          frames presented
 *   span_ms           from the end of the first present to that of the last
 * Only the measuring script uses it; it is never installed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef int (*UpdateFn)(void* window);

static UpdateFn realUpdate;
static double loadedMs, firstMs, lastMs;
static long presents;

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

__attribute__((constructor)) static void loaded(void) { loadedMs = nowMs(); }

int SDL_UpdateWindowSurface(void* window)
{
    if (realUpdate == NULL)
        realUpdate = (UpdateFn)dlsym(RTLD_NEXT, "SDL_UpdateWindowSurface");
    const int result = realUpdate(window);
    lastMs = nowMs();
    if (presents++ == 0)
        firstMs = lastMs;
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
    fclose(log);
}
