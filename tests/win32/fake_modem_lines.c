/* Test-only LD_PRELOAD library: makes a pseudo-terminal look like a serial port with modem
 * lines. A pty has none, so TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC fail with ENOTTY; Wine then
 * fails EscapeCommFunction and GetCommModemStatus and ends every overlapped WaitCommEvent at
 * once with ERROR_OPERATION_ABORTED. Here those four requests succeed on any tty, with DTR and
 * RTS kept per process. When TARNWICK_LINES_LOG names a file, every change of DTR or RTS is
 * appended to it as "dtr=D rts=R", so a test can see what the program under test drove. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int lines = TIOCM_DTR | TIOCM_RTS; /* a tty raises both when it is opened */

static void logLines(void) {
    const char *path = getenv("TARNWICK_LINES_LOG");
    FILE *log = path != NULL ? fopen(path, "a") : NULL;
    if (log == NULL) return;
    fprintf(log, "dtr=%d rts=%d\n", (lines & TIOCM_DTR) != 0, (lines & TIOCM_RTS) != 0);
    fclose(log);
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (real == NULL) real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    const int result = real(fd, request, argument);
    if (result == 0 || (errno != ENOTTY && errno != EINVAL) || !isatty(fd)) return result;
    int *bits = (int *)argument;
    switch (request) {
    case TIOCMGET: *bits = lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CD; return 0;
    case TIOCMSET: lines = *bits & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIS: lines |= *bits & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIC: lines &= ~*bits; break;
    default: return result;
    }
    errno = 0;
    logLines();
    return 0;
}
