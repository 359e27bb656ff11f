/* Measurement aid for the first-copy benchmark, loaded with LD_PRELOAD into quillet-cli only:
 * it turns the per-file flush into a no-op so that the flush's share of a copy can be measured
 * (the script then flushes everything once with sync(1), as the fair anchor does). Never use
 * it for anything but timing: files copied under it are not durable until that sync. */
#include <unistd.h>

int fsync(int fd) {
    (void)fd;
    return 0;
}

int fdatasync(int fd) {
    (void)fd;
    return 0;
}
