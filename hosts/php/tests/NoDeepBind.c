/* Preloaded ahead of the sanitizer runtime in the sanitizer build: PHP opens extensions with
 * RTLD_DEEPBIND, which the sanitizer refuses, so the flag is dropped on the way to its dlopen. */
#define _GNU_SOURCE
#include <dlfcn.h>

void* dlopen(const char* inFile, int inMode)
{
    static void* (*sNext)(const char*, int);
    if (sNext == 0)
        sNext = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
    return sNext(inFile, inMode & ~RTLD_DEEPBIND);
}
