/* Preloaded into the program by a test: just before the program renames a file whose name holds
 * the text of TOLVA_SIGNAL_AT_RENAME, SIGTERM arrives, as a signal sent at that moment would. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int rename(const char* from, const char* to)
{
    static int (*next)(const char*, const char*);
    if (!next) {
        next = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    }
    const char* text = getenv("TOLVA_SIGNAL_AT_RENAME");
    if (text && *text && strstr(from, text)) {
        raise(SIGTERM);
    }
    return next(from, to);
}
