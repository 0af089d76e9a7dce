/* keys: presses keys by position (evdev codes) on a virtual keyboard with the US layout, as a
   physical keyboard would; wtype types key symbols through a keymap of its own, so a binding
   made with --to-code never sees them.
   usage: keys CHORD...   a chord is codes joined by "+" (29+42+2: Ctrl+Shift+1), pressed in
   order and released in reverse. A virtual keyboard states its modifiers itself: they follow
   each key through the keymap's state. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

static struct zwp_virtual_keyboard_manager_v1* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
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

/* The keymap as text in a memfd, as the protocol wants it. */
static int keymapFile(struct xkb_keymap* keymap, uint32_t* size) {
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    int fd = -1;
    if (text) {
        *size = (uint32_t)strlen(text) + 1;
        fd = memfd_create("keys-keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, *size) != (ssize_t)*size) {
            close(fd);
            fd = -1;
        }
    }
    free(text);
    return fd;
}

static struct zwp_virtual_keyboard_v1* keyboard;
static struct xkb_state* state;

static void key(uint32_t code, int down) {
    zwp_virtual_keyboard_v1_key(keyboard, nowMs(), code,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    /* xkb counts key codes from 8 on, evdev from 0. */
    xkb_state_update_key(state, code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(keyboard,
                                      xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                      xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                      xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                      xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
}

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "keys: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        fprintf(stderr, "keys: the compositor offers no zwp_virtual_keyboard_manager_v1\n");
        return 1;
    }
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {.layout = "us"};
    struct xkb_keymap* keymap =
        context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    uint32_t size = 0;
    const int fd = keymap ? keymapFile(keymap, &size) : -1;
    if (fd < 0) {
        fprintf(stderr, "keys: no US keymap from xkbcommon\n");
        return 1;
    }
    state = xkb_state_new(keymap);
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
    wl_display_roundtrip(display);
    for (int i = 1; i < argc; i++) {
        uint32_t codes[8];
        int count = 0;
        for (char* code = strtok(argv[i], "+"); code && count < 8; code = strtok(NULL, "+"))
            codes[count++] = (uint32_t)atoi(code);
        for (int k = 0; k < count; k++)
            key(codes[k], 1);
        for (int k = count - 1; k >= 0; k--)
            key(codes[k], 0);
        wl_display_roundtrip(display);
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    close(fd);
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return 0;
}
