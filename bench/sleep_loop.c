/* The floor of the player's loop: nothing but the 2 ms sleep every pass,
 * until SIGTERM. The CPU script measures it beside the player, because on
 * a virtual machine each wake-up from a sleep costs tens of microseconds of
 * the process's own time, which no pass can go below. */
#include <errno.h>
#include <signal.h>
#include <time.h>

static volatile sig_atomic_t stop;

static void ask_stop(int signal)
{
    (void)signal;
    stop = 1;
}

int main(void)
{
    signal(SIGTERM, ask_stop);
    while (!stop) {
        struct timespec rest = {0, 2000000L};
        while (nanosleep(&rest, &rest) != 0 && errno == EINTR && !stop) {
        }
    }
    return 0;
}
