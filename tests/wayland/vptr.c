/* vptr: drives a wlroots compositor's pointer through zwlr_virtual_pointer_v1, for the tests.
   usage: vptr EXTENT_W EXTENT_H command...
   commands: move X Y | down | up | click | scroll N | sleep MS
   Positions are absolute in an EXTENT_W x EXTENT_H box that the compositor maps onto its whole
   output layout; scroll N turns the wheel N steps (positive: down). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

enum { kLeftButton = 0x110 /* BTN_LEFT */ };

static struct zwlr_virtual_pointer_manager_v1* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {global, globalRemove};

static uint32_t nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: vptr EXTENT_W EXTENT_H command...\n");
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "vptr: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "vptr: the compositor offers no zwlr_virtual_pointer_manager_v1\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* p =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    const uint32_t w = (uint32_t)atoi(argv[1]), h = (uint32_t)atoi(argv[2]);
    for (int i = 3; i < argc; i++) {
        const char* c = argv[i];
        if (!strcmp(c, "move") && i + 2 < argc) {
            zwlr_virtual_pointer_v1_motion_absolute(p, nowMs(), (uint32_t)atoi(argv[i + 1]),
                                                    (uint32_t)atoi(argv[i + 2]), w, h);
            i += 2;
        } else if (!strcmp(c, "down") || !strcmp(c, "up")) {
            zwlr_virtual_pointer_v1_button(p, nowMs(), kLeftButton, !strcmp(c, "down"));
        } else if (!strcmp(c, "click")) {
            zwlr_virtual_pointer_v1_button(p, nowMs(), kLeftButton, 1);
            zwlr_virtual_pointer_v1_frame(p);
            zwlr_virtual_pointer_v1_button(p, nowMs(), kLeftButton, 0);
        } else if (!strcmp(c, "scroll") && i + 1 < argc) {
            const int steps = atoi(argv[++i]);
            zwlr_virtual_pointer_v1_axis_source(p, WL_POINTER_AXIS_SOURCE_WHEEL);
            zwlr_virtual_pointer_v1_axis_discrete(p, nowMs(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                                  wl_fixed_from_int(15 * steps), steps);
        } else if (!strcmp(c, "sleep") && i + 1 < argc) {
            wl_display_flush(display);
            usleep((useconds_t)atoi(argv[++i]) * 1000);
            continue;
        } else {
            fprintf(stderr, "vptr: bad command %s\n", c);
            return 2;
        }
        zwlr_virtual_pointer_v1_frame(p);
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(p);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
