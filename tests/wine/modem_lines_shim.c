/* LD_PRELOAD for the Windows tests under wine: a pty has no modem lines, and wine's
 * WaitCommEvent ends at once (error 995) when TIOCMGET fails. Where a pty slave refuses a
 * modem-line request as having no such lines, this answers it from lines kept here. A hung-up
 * slave fails it (EIO) as an unplugged adapter does, which is how wine's wait ends then. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

/* Unix98 pty slaves: majors 136 to 143. */
static int is_pty_slave(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
         major(st.st_rdev) <= 143;
}

static int lines = TIOCM_DTR | TIOCM_RTS;

int ioctl(int fd, unsigned long request, ...) {
  static int (*real_ioctl)(int, unsigned long, ...);
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  if (!real_ioctl) real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");

  int is_modem = request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  if (!is_modem || !is_pty_slave(fd)) return real_ioctl(fd, request, argument);
  int result = real_ioctl(fd, request, argument);
  if (result == 0 || (errno != ENOTTY && errno != EINVAL)) return result;
  int* value = argument;
  switch (request) {
    case TIOCMGET: *value = __atomic_load_n(&lines, __ATOMIC_RELAXED); break;
    case TIOCMSET: __atomic_store_n(&lines, *value, __ATOMIC_RELAXED); break;
    case TIOCMBIS: __atomic_or_fetch(&lines, *value, __ATOMIC_RELAXED); break;
    case TIOCMBIC: __atomic_and_fetch(&lines, ~*value, __ATOMIC_RELAXED); break;
  }
  return 0;
}
