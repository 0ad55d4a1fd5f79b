/* Gives a pseudo-terminal the modem lines of a real serial port, for the
 * launcher's and the test bed's virtual null-modem cables: loaded with
 * LD_PRELOAD into the program's Wine process, it answers
 * TIOCMGET with every line asserted and accepts TIOCMBIS, TIOCMBIC and TIOCMSET
 * when the real call fails with ENOTTY or EINVAL. Without it Wine's comm-event
 * wait fails at once on a pseudo-terminal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static int answer_modem_request(unsigned long request, void *arg)
{
    switch (request) {
    case TIOCMGET:
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

static int wrapped(const char *name, int fd, unsigned long request, void *arg)
{
    ioctl_fn real = (ioctl_fn)dlsym(RTLD_NEXT, name);
    int saved = errno;
    int result = real ? real(fd, request, arg) : -1;
    if (result == -1 && (errno == ENOTTY || errno == EINVAL) && answer_modem_request(request, arg) == 0) {
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
    return wrapped("ioctl", fd, request, arg);
}

/* 32-bit builds with 64-bit time call this name instead. */
int __ioctl_time64(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return wrapped("__ioctl_time64", fd, request, arg);
}
