// A fault injector loaded into a program under test with LD_PRELOAD.
//   QUORVANE_FAULT_CALL   write | read | open | close | rename | pthread_create
//   QUORVANE_FAULT_AT     the occurrence (1-based) of that call that fails
//   QUORVANE_FAULT_ERRNO  the errno it fails with (EINTR: fails before any byte)
//   QUORVANE_FAULT_COUNT  a file that receives, at exit, how often the call ran
//   QUORVANE_FAULT_FILES_ONLY  set: write counts only descriptors above 2 (files)
// open counts open, open64, openat, openat64, fopen and fopen64.  Without QUORVANE_FAULT_CALL
// every call passes through untouched.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kCall = std::getenv("QUORVANE_FAULT_CALL");
const long kAt = std::getenv("QUORVANE_FAULT_AT") ? std::atol(std::getenv("QUORVANE_FAULT_AT")) : 0;
const int kErrno = std::getenv("QUORVANE_FAULT_ERRNO") ? std::atoi(std::getenv("QUORVANE_FAULT_ERRNO")) : EIO;
const bool kFilesOnly = std::getenv("QUORVANE_FAULT_FILES_ONLY") != nullptr;
std::atomic<long> calls{0};

// True when this occurrence of `name` is the one to fail (errno set then).
bool fails(const char* name) {
  if (kCall == nullptr || std::strcmp(kCall, name) != 0) return false;
  if (++calls != kAt) return false;
  errno = kErrno;
  return true;
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

struct CountAtExit {
  ~CountAtExit() {
    const char* path = std::getenv("QUORVANE_FAULT_COUNT");
    if (path == nullptr || kCall == nullptr) return;
    const int fd = next<int (*)(const char*, int, ...)>("open")(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%ld\n", calls.load());
    if (fd >= 0 && next<ssize_t (*)(int, const void*, size_t)>("write")(fd, text, static_cast<size_t>(n)) == n)
      next<int (*)(int)>("close")(fd);
  }
} count_at_exit;

mode_t mode_of(int flags, va_list& args) { return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0; }

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n) {
  return (!kFilesOnly || fd > 2) && fails("write") ? -1 : next<ssize_t (*)(int, const void*, size_t)>("write")(fd, buf, n);
}

ssize_t read(int fd, void* buf, size_t n) {
  return fails("read") ? -1 : next<ssize_t (*)(int, void*, size_t)>("read")(fd, buf, n);
}

int close(int fd) {
  // The descriptor is released as Linux releases it on a failed close.
  const bool fail = fails("close");
  const int r = next<int (*)(int)>("close")(fd);
  if (fail) errno = kErrno;
  return fail ? -1 : r;
}

int rename(const char* from, const char* to) {
  return fails("rename") ? -1 : next<int (*)(const char*, const char*)>("rename")(from, to);
}

#define QUORVANE_OPEN(name)                                                                   \
  int name(const char* path, int flags, ...) {                                                \
    va_list args;                                                                             \
    va_start(args, flags);                                                                    \
    const mode_t mode = mode_of(flags, args);                                                 \
    va_end(args);                                                                             \
    return fails("open") ? -1 : next<int (*)(const char*, int, ...)>(#name)(path, flags, mode); \
  }
#define QUORVANE_OPENAT(name)                                                                           \
  int name(int dir, const char* path, int flags, ...) {                                                 \
    va_list args;                                                                                       \
    va_start(args, flags);                                                                              \
    const mode_t mode = mode_of(flags, args);                                                           \
    va_end(args);                                                                                       \
    return fails("open") ? -1 : next<int (*)(int, const char*, int, ...)>(#name)(dir, path, flags, mode); \
  }
QUORVANE_OPEN(open)
QUORVANE_OPEN(open64)
QUORVANE_OPENAT(openat)
QUORVANE_OPENAT(openat64)

FILE* fopen(const char* path, const char* mode) {
  return fails("open") ? nullptr : next<FILE* (*)(const char*, const char*)>("fopen")(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  return fails("open") ? nullptr : next<FILE* (*)(const char*, const char*)>("fopen64")(path, mode);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  if (fails("pthread_create")) return kErrno;
  return next<int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)>("pthread_create")(thread, attr,
                                                                                                      start, arg);
}

}  // extern "C"
