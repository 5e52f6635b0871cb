// Modem lines for one pseudo-terminal, preloaded (LD_PRELOAD) into a program
// that opens its slave as a serial port: wine under tests/windows, and this
// build's own port in tests/platform/commapi_modem_lines_test.cpp. A pty has
// no modem lines, so without this wine's GetCommModemStatus and DTR/RTS
// changes fail with error 50 and its WaitCommEvent gives up before any data,
// and the POSIX port reads every line low.
// The line ioctls on that slave are answered from a shared file the test's
// modem maps too (tests/support/PtyModem.h): one int of TIOCM_* bits.
//   TELVORA_PTY_DEVICE  the slave's path     TELVORA_PTY_LINES  the shared file
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static int (*real_ioctl)(int, unsigned long, ...);
static int* lines;  // null: nothing to answer, every ioctl passes through
static dev_t device;

__attribute__((constructor)) static void Setup(void) {
  real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  const char* path = getenv("TELVORA_PTY_LINES");
  const char* slave = getenv("TELVORA_PTY_DEVICE");
  struct stat st;
  if (path == NULL || slave == NULL || stat(slave, &st) != 0) return;
  device = st.st_rdev;
  int fd = open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  void* shared = mmap(NULL, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (shared != MAP_FAILED) lines = shared;
}

static int IsTheSlave(int fd) {
  struct stat st;
  return lines != NULL && fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device;
}

// The program drives DTR and RTS only; the other bits are the modem's.
static void SetOutputs(int bits) {
  const int outputs = TIOCM_DTR | TIOCM_RTS;
  int old = __atomic_load_n(lines, __ATOMIC_SEQ_CST);
  while (!__atomic_compare_exchange_n(lines, &old, (old & ~outputs) | (bits & outputs), 0,
                                      __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
  }
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (IsTheSlave(fd)) {
    const int now = __atomic_load_n(lines, __ATOMIC_SEQ_CST);
    switch (request) {
      case TIOCMGET:
        *(int*)arg = now;
        return 0;
      case TIOCMSET:
        SetOutputs(*(const int*)arg);
        return 0;
      case TIOCMBIS:
        SetOutputs(now | *(const int*)arg);
        return 0;
      case TIOCMBIC:
        SetOutputs(now & ~*(const int*)arg);
        return 0;
    }
  }
  return real_ioctl(fd, request, arg);
}
