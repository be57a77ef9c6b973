// For the tests, preloaded into quillet-nv: a resolver where names ending in .slow.test hang for
// QUILLET_SLOW_LOOKUP_SECONDS (default 12) and are then not found, and names ending in .fast.test
// are found at once, at 127.0.0.1. Every other name goes to the real resolver.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef int (*Resolver)(const char*, const char*, const struct addrinfo*, struct addrinfo**);

static int EndsWith(const char* text, const char* tail) {
    const size_t n = strlen(text), m = strlen(tail);
    return n >= m && strcmp(text + n - m, tail) == 0;
}

static void Hang(void) {
    const char* given = getenv("QUILLET_SLOW_LOOKUP_SECONDS");
    struct timespec left = {given ? atoi(given) : 12, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** res) {
    const Resolver real = (Resolver)dlsym(RTLD_NEXT, "getaddrinfo");
    if (node && EndsWith(node, ".slow.test")) {
        Hang();
        return EAI_NONAME;
    }
    if (node && EndsWith(node, ".fast.test"))
        return real("127.0.0.1", service, hints, res);
    return real(node, service, hints, res);
}
