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
