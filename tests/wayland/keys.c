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
#include <unistd.h>

#include <xkbcommon/xkbcommon.h>

#include "client.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

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
    zwp_virtual_keyboard_v1_key(
        keyboard, nowMs(), code,
        down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    /* xkb counts key codes from 8 on, evdev from 0. */
    xkb_state_update_key(state, code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(
        keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
}

int main(int argc, char** argv) {
    struct clientGlobals globals = {&zwp_virtual_keyboard_manager_v1_interface, NULL, NULL};
    struct wl_display* display = clientConnect("keys", &globals);
    if (!display) return 1;
    struct zwp_virtual_keyboard_manager_v1* manager = globals.manager;
    struct wl_seat* seat = globals.seat;
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
