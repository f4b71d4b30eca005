// wlpointer: gives the seat of the Wayland compositor $WAYLAND_DISPLAY a pointer (a
// virtual one) while its standard input is open, so that the cursor that `swaymsg seat
// seat0 cursor set X Y` and `... cursor press button1` move reaches the clients. Prints
// "ready" once the compositor has made the pointer. Exit status 0 at the end of its
// input, 1 (and one line) when the compositor offers no virtual pointers.
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
  zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  if (wl_display_roundtrip(display) < 0) return 1;
  puts("ready");
  fflush(stdout);
  char line[256];
  while (fgets(line, sizeof line, stdin) != NULL) {
  }
  wl_display_disconnect(display);
  return 0;
}
