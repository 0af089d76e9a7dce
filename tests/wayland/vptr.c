/* vptr: drives a wlroots compositor's pointer through zwlr_virtual_pointer_v1, for the tests.
   usage: vptr EXTENT_W EXTENT_H command...
   commands: move X Y | down | up | click | scroll N | sleep MS
   Positions are absolute in an EXTENT_W x EXTENT_H box that the compositor maps onto its whole
   output layout; scroll N turns the wheel N steps (positive: down). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "client.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

enum { kLeftButton = 0x110 /* BTN_LEFT */ };

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: vptr EXTENT_W EXTENT_H command...\n");
        return 2;
    }
    struct clientGlobals globals = {&zwlr_virtual_pointer_manager_v1_interface, NULL, NULL};
    struct wl_display* display = clientConnect("vptr", &globals);
    if (!display) return 1;
    struct zwlr_virtual_pointer_manager_v1* manager = globals.manager;
    struct wl_seat* seat = globals.seat;
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
