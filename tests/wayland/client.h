/* What the tests' input clients share: a connection with one manager global and the seat
   bound, and the time their events carry. */
#pragma once

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <wayland-client.h>

struct clientGlobals {
    const struct wl_interface* managerInterface;
    void* manager;
    struct wl_seat* seat;
};

static void clientGlobal(void* data, struct wl_registry* registry, uint32_t name,
                         const char* interface, uint32_t version) {
    struct clientGlobals* globals = data;
    (void)version;
    if (!strcmp(interface, globals->managerInterface->name))
        globals->manager = wl_registry_bind(registry, name, globals->managerInterface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !globals->seat)
        globals->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void clientGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

/* Connects and binds the manager and the seat; null, with the reason on standard error, when
   either is missing. */
static struct wl_display* clientConnect(const char* program, struct clientGlobals* globals) {
    static const struct wl_registry_listener listener = {clientGlobal, clientGlobalRemove};
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "%s: no Wayland display\n", program);
        return NULL;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &listener, globals);
    wl_display_roundtrip(display);
    if (!globals->manager || !globals->seat) {
        fprintf(stderr, "%s: the compositor offers no %s\n", program,
                globals->managerInterface->name);
        return NULL;
    }
    return display;
}

static uint32_t nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}
