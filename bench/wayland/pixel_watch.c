/* pixel_watch: waits until one pixel of the first output changes, grabbing it again and again
   through zwlr_screencopy_manager_v1. Each grab waits for the output's next frame (about 17 ms
   at 60 Hz), the finest a watcher can see; a loop of grim processes sees about every 50 ms.
   usage: pixel_watch X Y   prints "ready" once it holds the pixel's first value, then exits 0
   as soon as the pixel differs from it, saying on stderr how long a grab took (the
   measurement's resolution). */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-screencopy-unstable-v1-client-protocol.h"

static struct zwlr_screencopy_manager_v1* manager;
static struct wl_shm* shm;
static struct wl_output* output;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_screencopy_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1);
    else if (!strcmp(interface, wl_shm_interface.name))
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (!strcmp(interface, wl_output_interface.name) && !output)
        output = wl_registry_bind(registry, name, &wl_output_interface, 1);
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {global, globalRemove};

/* One grab: the buffer the compositor asks for, then the copy's end. */
struct Grab {
    uint32_t format, width, height, stride;
    int described, done, failed;
};

static void frameBuffer(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t format,
                        uint32_t width, uint32_t height, uint32_t stride) {
    (void)frame;
    struct Grab* g = data;
    g->format = format, g->width = width, g->height = height, g->stride = stride;
    g->described = 1;
}

static void frameFlags(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t flags) {
    (void)data;
    (void)frame;
    (void)flags;
}

static void frameReady(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t secHi,
                       uint32_t secLo, uint32_t nsec) {
    (void)frame;
    (void)secHi;
    (void)secLo;
    (void)nsec;
    ((struct Grab*)data)->done = 1;
}

static void frameFailed(void* data, struct zwlr_screencopy_frame_v1* frame) {
    (void)frame;
    ((struct Grab*)data)->failed = 1;
}

static const struct zwlr_screencopy_frame_v1_listener frameListener = {
    .buffer = frameBuffer, .flags = frameFlags, .ready = frameReady, .failed = frameFailed};

static struct wl_display* display;
static struct wl_buffer* buffer; /* made at the first grab, reused: every grab has one size */
static const uint32_t* pixels;

static int grab(int x, int y, uint32_t* value) {
    struct Grab g = {0};
    struct zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output_region(manager, 0, output, x, y, 1, 1);
    zwlr_screencopy_frame_v1_add_listener(frame, &frameListener, &g);
    while (!g.described && !g.failed && wl_display_dispatch(display) >= 0) {
    }
    if (!buffer && g.described) {
        const size_t size = (size_t)g.stride * g.height;
        const int fd = memfd_create("pixel_watch", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, (off_t)size) < 0) return 0;
        pixels = mmap(NULL, size, PROT_READ, MAP_SHARED, fd, 0);
        struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)size);
        buffer = wl_shm_pool_create_buffer(pool, 0, (int32_t)g.width, (int32_t)g.height,
                                           (int32_t)g.stride, g.format);
        wl_shm_pool_destroy(pool);
        close(fd);
        if (pixels == MAP_FAILED) return 0;
    }
    if (g.described) zwlr_screencopy_frame_v1_copy(frame, buffer);
    while (!g.done && !g.failed && wl_display_dispatch(display) >= 0) {
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    if (!g.done) return 0;
    *value = pixels[0];
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: pixel_watch X Y\n");
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "pixel_watch: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !shm || !output) {
        fprintf(stderr, "pixel_watch: the compositor offers no screencopy, shm or output\n");
        return 1;
    }
    uint32_t first = 0, now = 0;
    if (!grab(x, y, &first)) {
        fprintf(stderr, "pixel_watch: the grab failed\n");
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    long grabs = 0;
    do {
        if (!grab(x, y, &now)) {
            fprintf(stderr, "pixel_watch: the grab failed\n");
            return 1;
        }
        ++grabs;
    } while (now == first);
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
    fprintf(stderr, "pixel_watch: %.2f ms a grab\n", ms / (double)grabs);
    return 0;
}
