// wlpointer: a pointer of the seat of the Wayland compositor $WAYLAND_DISPLAY (a virtual
// one) for as long as its standard input is open, moved and pressed as each line of it
// says:
//   move X Y W H    to X,Y of a layout W x H (the box around the outputs)
//   press BUTTON    a button pressed (272 the left one, 273 the right one), and
//   release BUTTON  released
//   quit            the pointer goes (as at the end of the input, which the programs
//                   started meanwhile may hold open)
// each taken by the compositor before it prints "done". Prints "ready" once the
// compositor has made the pointer. Exit status 0 at the end of its input, 1 (and one
// line) when the compositor offers no virtual pointers.
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct zwlr_virtual_pointer_manager_v1* manager;
static struct wl_seat* seat;

static void OnGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
  (void)data;
  (void)version;
  if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
  else if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL)
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}
static void OnGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}

int main(void) {
  struct wl_display* display = wl_display_connect(NULL);
  if (display == NULL) {
    fprintf(stderr, "wlpointer: cannot connect to the compositor\n");
    return 1;
  }
  static const struct wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
  wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
  wl_display_roundtrip(display);
  if (manager == NULL) {
    fprintf(stderr, "wlpointer: the compositor offers no zwlr_virtual_pointer_manager_v1\n");
    return 1;
  }
  struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  if (wl_display_roundtrip(display) < 0) return 1;
  puts("ready");
  fflush(stdout);
  char line[256];
  uint32_t time = 0;
  while (fgets(line, sizeof line, stdin) != NULL) {
    unsigned x, y, w, h, button;
    time += 10;
    if (strcmp(line, "quit\n") == 0) break;
    if (sscanf(line, "move %u %u %u %u", &x, &y, &w, &h) == 4) {
      zwlr_virtual_pointer_v1_motion_absolute(pointer, time, x, y, w, h);
    } else if (sscanf(line, "press %u", &button) == 1) {
      zwlr_virtual_pointer_v1_button(pointer, time, button, WL_POINTER_BUTTON_STATE_PRESSED);
    } else if (sscanf(line, "release %u", &button) == 1) {
      zwlr_virtual_pointer_v1_button(pointer, time, button, WL_POINTER_BUTTON_STATE_RELEASED);
    } else {
      fprintf(stderr, "wlpointer: not understood: %s", line);
      continue;
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    if (wl_display_roundtrip(display) < 0) return 1;
    puts("done");
    fflush(stdout);
  }
  wl_display_disconnect(display);
  return 0;
}
