/* Measurement aid for the first-copy benchmark, loaded with LD_PRELOAD into quillet-cli only:
 * it turns the copy's flushes (per file and per batch) into no-ops so that the flushes' share
 * of a copy can be measured (the script then flushes everything once with sync(1), as the fair
 * anchor does). Never use it for anything but timing: files copied under it are not durable
 * until that sync. */
#define _GNU_SOURCE
#include <unistd.h>

int fsync(int fd) {
    (void)fd;
    return 0;
}

int fdatasync(int fd) {
    (void)fd;
    return 0;
}

int syncfs(int fd) {
    (void)fd;
    return 0;
}
