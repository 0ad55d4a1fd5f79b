/* Gives a pseudo-terminal the modem lines of a real serial port, for the
 * launcher's and the test bed's virtual null-modem cables: loaded with
 * LD_PRELOAD into the program's Wine process, it answers
 * TIOCMGET with every line asserted and accepts TIOCMBIS, TIOCMBIC and TIOCMSET
 * when the real call fails with ENOTTY or EINVAL. Without it Wine's comm-event
 * wait fails at once on a pseudo-terminal.
 *
 * Wine's comm-event wait looks at the line every millisecond (the modem lines,
 * the queues and a request to its server each time), which costs an idle
 * connection about 2 % of a core. A pseudo-terminal's lines never change, so
 * when the lines of one are asked for again within a few milliseconds (that
 * loop), the answer waits until a character arrives or PACE_MS have passed:
 * the wait still ends at once when a character comes in, and only notices a
 * new event mask up to PACE_MS later. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* How long a repeated question waits for a character at most, and what
 * counts as repeated: Wine asks every millisecond while it waits. */
enum { PACE_MS = 20, REPEAT_MS = 5, TRACKED_FDS = 256 };

/* When each pseudo-terminal's lines were last asked for (touched from
 * Wine's threads, so only through atomic loads and stores). */
static long long last_asked_ms[TRACKED_FDS];

static long long now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

/* Before answering a repeated TIOCMGET on fd: until a character is there to
 * read, or PACE_MS. A line that has hung up reports so at once and for good,
 * so then the whole PACE_MS is slept instead. */
static void pace(int fd)
{
    if (fd < 0 || fd >= TRACKED_FDS) return;
    const long long now = now_ms();
    const long long last = __atomic_load_n(&last_asked_ms[fd], __ATOMIC_RELAXED);
    if (last != 0 && now - last < REPEAT_MS) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, PACE_MS) > 0 && !(p.revents & POLLIN)) {
            const struct timespec rest = {0, PACE_MS * 1000000L};
            nanosleep(&rest, 0);
        }
    }
    __atomic_store_n(&last_asked_ms[fd], now_ms(), __ATOMIC_RELAXED);
}

static int answer_modem_request(int fd, unsigned long request, void *arg)
{
    switch (request) {
    case TIOCMGET:
        pace(fd);
        if (arg) *(int *)arg = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
        return 0;
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCMSET:
        return 0;
    default:
        return -1;
    }
}

static ioctl_fn real_ioctl, real_ioctl_time64;

/* Looked up once, at load: a lookup takes the dynamic linker's lock, and the
 * comm-event wait calls ioctl from a thread of its own many times a second. */
__attribute__((constructor)) static void find_real_ioctls(void)
{
    real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    real_ioctl_time64 = (ioctl_fn)dlsym(RTLD_NEXT, "__ioctl_time64");
}

static int wrapped(ioctl_fn real, int fd, unsigned long request, void *arg)
{
    int saved = errno;
    int result = real ? real(fd, request, arg) : -1;
    if (result == -1 && (errno == ENOTTY || errno == EINVAL) && answer_modem_request(fd, request, arg) == 0) {
        errno = saved;
        return 0;
    }
    return result;
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return wrapped(real_ioctl, fd, request, arg);
}

/* 32-bit builds with 64-bit time call this name instead. */
int __ioctl_time64(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return wrapped(real_ioctl_time64, fd, request, arg);
}
