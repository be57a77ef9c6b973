// For the tests, preloaded into quillet-nv: the device QUILLET_ONE_WAY_DEVICE (a pty of the
// virtual printer) behaves as a USB printer without a back channel does under usblp: it is no
// terminal, and every read of it is refused with EINVAL. Writes reach the printer as ever.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

static int IsTheDevice(int fd) {
    const char* path = getenv("QUILLET_ONE_WAY_DEVICE");
    struct stat device, open;
    return path && stat(path, &device) == 0 && fstat(fd, &open) == 0 && S_ISCHR(open.st_mode) &&
           open.st_rdev == device.st_rdev;
}

int isatty(int fd) {
    if (IsTheDevice(fd)) {
        errno = ENOTTY;
        return 0;
    }
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "isatty");
    return real(fd);
}

ssize_t read(int fd, void* into, size_t size) {
    if (IsTheDevice(fd)) {
        errno = EINVAL;
        return -1;
    }
    ssize_t (*real)(int, void*, size_t) = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    return real(fd, into, size);
}

ssize_t readv(int fd, const struct iovec* parts, int count) {
    if (IsTheDevice(fd)) {
        errno = EINVAL;
        return -1;
    }
    ssize_t (*real)(int, const struct iovec*, int) =
        (ssize_t(*)(int, const struct iovec*, int))dlsym(RTLD_NEXT, "readv");
    return real(fd, parts, count);
}
