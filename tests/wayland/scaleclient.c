/* scaleclient: a Wayland client that draws at the preferred fractional scale as a
 * well-behaved client does, or with one fault of the kind scalecomp is there to catch.
 *
 *   scaleclient FRAMES [xrgb|argb] [WAY]
 *
 * It shows FRAMES frames in a toplevel of the configured size (320x240 when the
 * configure leaves it open; titled and named scaleclient), each in a buffer of that
 * size times the preferred scale (of its wp_fractional_scale_v1, rounded half away from
 * zero) with the viewport's destination at the configured size, or, where the
 * compositor offers no fractional scales, times the output's whole scale, told through
 * wl_surface.set_buffer_scale. XRGB8888 (default) or ARGB8888. Pixel X,Y of frame K is
 * red X mod 256, green Y mod 256, blue 40 K mod 256, opaque. Two buffers share one pool,
 * the first 4096 bytes into it, each row 16 pixels longer than the picture; a buffer
 * is drawn into only after its release, and each frame waits for the frame callback of
 * the one before. Before it hears a preferred scale it draws at the output's whole
 * scale; a new scale is taken at the next frame, in two new buffers. Then it
 * ends: 0, or 1 when the display went or failed it (one line on stderr), 2 a bad
 * command line. Each configure of the toplevel is a line on stdout ("configure
 * 641x479", "configure 641x479 fullscreen").
 *
 * WAY, another way to do it right:
 *   surface-damage  the whole surface damaged in its own coordinates (wl_surface.damage)
 *   fullscreen      full screen asked for after the first frame, its configure acked
 * or one thing a client can do wrong:
 *   logical       a buffer of the configured size, the scale left out
 *   floor         the size times the scale rounded down
 *   no-viewport   no viewport destination
 *   buffer-scale  the output's whole scale through wl_surface.set_buffer_scale
 *   no-rescale    a new scale not taken, the first buffers kept
 *   tiny-first    before it hears a preferred scale, a scale of 1/120
 *   one-buffer    one buffer, drawn into and attached again while it is held
 *   write-held    each frame drawn again, as the next, into its buffer once shown
 *   redraw-held   that, and committed without a buffer
 *   short-stride  rows a pixel shorter than the picture
 *   no-ack        the configure not acked
 *   bad-ack       a configure acked that was not sent
 *   part-source   the viewport's source a part of the buffer
 *   half-damage   only the left half of each frame damaged
 *   third-surface-damage  only the left third of the surface damaged (wl_surface.damage)
 *   translucent   the top-left pixel half transparent (with argb)
 * Build: the wayland-scanner client code of xdg-shell, viewporter and
 * fractional-scale-v1; -lwayland-client.
 */
#define _GNU_SOURCE /* memfd_create */
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-shell-client-protocol.h"

static struct {
  struct wl_display *display;
  struct wl_compositor *compositor;
  struct wl_shm *shm;
  struct xdg_wm_base *wm_base;
  struct wp_viewporter *viewporter;
  struct wp_fractional_scale_manager_v1 *fractional;
  struct wl_output *output;
  int32_t output_scale;
  int32_t width, height; /* configured */
  uint32_t serial;       /* of the configure; 0: none yet */
  uint32_t scale120;     /* preferred; 0: none yet */
  bool busy[2];          /* held by the compositor */
  bool frame_done;
} c = {.output_scale = 1};

static const char *way = "";
static bool is(const char *name) { return strcmp(way, name) == 0; }

static void dispatch(void) {
  if (wl_display_dispatch(c.display) < 0) {
    fprintf(stderr, "scaleclient: the display failed (error %d)\n", wl_display_get_error(c.display));
    exit(1);
  }
}

static void output_geometry(void *data, struct wl_output *output, int32_t x, int32_t y, int32_t mm_w, int32_t mm_h,
                            int32_t subpixel, const char *make, const char *model, int32_t transform) {
  (void)data, (void)output, (void)x, (void)y, (void)mm_w, (void)mm_h, (void)subpixel, (void)make, (void)model,
      (void)transform;
}
static void output_mode(void *data, struct wl_output *output, uint32_t flags, int32_t w, int32_t h, int32_t refresh) {
  (void)data, (void)output, (void)flags, (void)w, (void)h, (void)refresh;
}
static void output_done(void *data, struct wl_output *output) { (void)data, (void)output; }
static void output_scale(void *data, struct wl_output *output, int32_t factor) {
  (void)data, (void)output;
  c.output_scale = factor;
}
static const struct wl_output_listener output_events = {output_geometry, output_mode, output_done,
                                                        output_scale,    NULL,        NULL};

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
  (void)data, (void)version;
  if (strcmp(interface, wl_compositor_interface.name) == 0) {
    c.compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
  } else if (strcmp(interface, wl_shm_interface.name) == 0) {
    c.shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
  } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
    c.wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
  } else if (strcmp(interface, wp_viewporter_interface.name) == 0) {
    c.viewporter = wl_registry_bind(registry, name, &wp_viewporter_interface, 1);
  } else if (strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
    c.fractional = wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1);
  } else if (strcmp(interface, wl_output_interface.name) == 0 && !c.output) {
    c.output = wl_registry_bind(registry, name, &wl_output_interface, 2);
    wl_output_add_listener(c.output, &output_events, NULL);
  }
}
static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_events = {global, global_remove};

static void ping(void *data, struct xdg_wm_base *wm_base, uint32_t serial) {
  (void)data;
  xdg_wm_base_pong(wm_base, serial);
}
static const struct xdg_wm_base_listener wm_base_events = {ping};
static void surface_configure(void *data, struct xdg_surface *xdg_surface, uint32_t serial) {
  (void)data, (void)xdg_surface;
  c.serial = serial;
}
static const struct xdg_surface_listener xdg_surface_events = {surface_configure};
static void toplevel_configure(void *data, struct xdg_toplevel *toplevel, int32_t w, int32_t h,
                               struct wl_array *states) {
  (void)data, (void)toplevel;
  c.width = w > 0 ? w : 320, c.height = h > 0 ? h : 240;
  printf("configure %dx%d", w, h);
  const uint32_t *state;
  wl_array_for_each(state, states) printf(*state == XDG_TOPLEVEL_STATE_FULLSCREEN ? " fullscreen" : " %u", *state);
  printf("\n");
}
static void toplevel_close(void *data, struct xdg_toplevel *toplevel) { (void)data, (void)toplevel; }
static const struct xdg_toplevel_listener toplevel_events = {toplevel_configure, toplevel_close, NULL, NULL};
static void preferred_scale(void *data, struct wp_fractional_scale_v1 *fractional, uint32_t scale) {
  (void)data, (void)fractional;
  c.scale120 = scale;
}
static const struct wp_fractional_scale_v1_listener fractional_events = {preferred_scale};
static void released(void *data, struct wl_buffer *buffer) {
  (void)buffer;
  c.busy[(intptr_t)data] = false;
}
static const struct wl_buffer_listener buffer_events = {released};
static void frame_done(void *data, struct wl_callback *callback, uint32_t time) {
  (void)data, (void)time;
  wl_callback_destroy(callback);
  c.frame_done = true;
}
static const struct wl_callback_listener frame_events = {frame_done};

/* Frame K into the pixels of a buffer of W×H whose rows are STRIDE pixels apart. */
static void draw(uint32_t *pixels, int32_t w, int32_t h, int32_t stride, int k) {
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      pixels[(size_t)y * (size_t)stride + (size_t)x] =
          0xFF000000u | (uint32_t)(x & 0xFF) << 16 | (uint32_t)(y & 0xFF) << 8 | (uint32_t)(40 * k & 0xFF);
  if (is("translucent")) pixels[0] &= 0x80FFFFFFu;
}

/* Two buffers of W×H in one pool, the first 4096 bytes into it, each row 16 pixels
 * longer than the picture. */
static struct buffers {
  int32_t w, h, stride;
  size_t size;
  unsigned char *data;
  struct wl_buffer *buffer[2];
  uint32_t *pixels[2];
} buffers;

static void drop_buffers(void) {
  for (int i = 0; i < 2; ++i) {
    if (buffers.buffer[i]) wl_buffer_destroy(buffers.buffer[i]);
    c.busy[i] = false;
  }
  if (buffers.data) munmap(buffers.data, buffers.size);
  memset(&buffers, 0, sizeof buffers);
}

static void make_buffers(int32_t w, int32_t h, uint32_t format) {
  drop_buffers();
  buffers.w = w, buffers.h = h, buffers.stride = is("short-stride") ? w - 1 : w + 16;
  const size_t first = 4096, bytes = (size_t)buffers.stride * (size_t)h * 4;
  buffers.size = first + 2 * bytes + 4096; /* a short stride's last row runs past its buffer */
  const int fd = memfd_create("scaleclient", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, (off_t)buffers.size) != 0 ||
      (buffers.data = mmap(NULL, buffers.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)) == MAP_FAILED) {
    perror("scaleclient: the pool");
    exit(1);
  }
  struct wl_shm_pool *pool = wl_shm_create_pool(c.shm, fd, (int32_t)buffers.size);
  for (intptr_t i = 0; i < 2; ++i) {
    buffers.buffer[i] =
        wl_shm_pool_create_buffer(pool, (int32_t)(first + (size_t)i * bytes), w, h, buffers.stride * 4, format);
    wl_buffer_add_listener(buffers.buffer[i], &buffer_events, (void *)i);
    buffers.pixels[i] = (uint32_t *)(buffers.data + first + (size_t)i * bytes);
  }
  wl_shm_pool_destroy(pool);
  close(fd);
}

/* The buffer's size for the configured size at the scale of the moment (the preferred
 * one; with no fractional scales, or before the preferred one is told, the output's),
 * as WAY has it. */
static void buffer_size(bool whole, int32_t *w, int32_t *h) {
  int32_t scale120 = whole || c.scale120 == 0 ? c.output_scale * 120 : (int32_t)c.scale120;
  if (is("tiny-first") && c.scale120 == 0) scale120 = 1;
  *w = (int32_t)(((int64_t)c.width * scale120 + 60) / 120), *h = (int32_t)(((int64_t)c.height * scale120 + 60) / 120);
  if (is("logical")) *w = c.width, *h = c.height;
  if (is("floor")) *w = c.width * scale120 / 120, *h = c.height * scale120 / 120;
}

static int usage(const char *problem) {
  fprintf(stderr, "scaleclient: %s\nusage: scaleclient FRAMES [xrgb|argb] [WAY]\n", problem);
  return 2;
}

int main(int argc, char **argv) {
  const int frames = argc >= 2 ? atoi(argv[1]) : 0;
  if (argc < 2 || argc > 4 || frames < 1) return usage("FRAMES must be a number of frames");
  const char *format = argc >= 3 ? argv[2] : "xrgb";
  if (strcmp(format, "xrgb") != 0 && strcmp(format, "argb") != 0) return usage("the format is xrgb or argb");
  if (argc == 4) way = argv[3];
  setvbuf(stdout, NULL, _IOLBF, 0);
  c.display = wl_display_connect(NULL);
  if (!c.display) {
    fprintf(stderr, "scaleclient: cannot connect to the display %s\n", getenv("WAYLAND_DISPLAY"));
    return 1;
  }
  struct wl_registry *registry = wl_display_get_registry(c.display);
  wl_registry_add_listener(registry, &registry_events, NULL);
  wl_display_roundtrip(c.display);
  if (!c.compositor || !c.shm || !c.wm_base || !c.viewporter) {
    fprintf(stderr, "scaleclient: the display lacks a global this client needs\n");
    return 1;
  }
  /* Without fractional scales the output's whole one, through the buffer scale. */
  const bool whole = !c.fractional || is("buffer-scale");
  xdg_wm_base_add_listener(c.wm_base, &wm_base_events, NULL);
  struct wl_surface *surface = wl_compositor_create_surface(c.compositor);
  struct wp_viewport *viewport = wp_viewporter_get_viewport(c.viewporter, surface);
  struct wp_fractional_scale_v1 *fractional =
      c.fractional ? wp_fractional_scale_manager_v1_get_fractional_scale(c.fractional, surface) : NULL;
  if (fractional) wp_fractional_scale_v1_add_listener(fractional, &fractional_events, NULL);
  struct xdg_surface *xdg_surface = xdg_wm_base_get_xdg_surface(c.wm_base, surface);
  xdg_surface_add_listener(xdg_surface, &xdg_surface_events, NULL);
  struct xdg_toplevel *toplevel = xdg_surface_get_toplevel(xdg_surface);
  xdg_toplevel_add_listener(toplevel, &toplevel_events, NULL);
  xdg_toplevel_set_title(toplevel, "scaleclient");
  xdg_toplevel_set_app_id(toplevel, "scaleclient");
  wl_surface_commit(surface);
  while (c.serial == 0) dispatch();
  uint32_t acked = 0;
  if (is("bad-ack")) xdg_surface_ack_configure(xdg_surface, c.serial + 1000);

  const bool one_buffer = is("one-buffer");
  for (int k = 0; k < frames; ++k) {
    int32_t w, h;
    buffer_size(whole, &w, &h);
    if (buffers.w == 0 || ((w != buffers.w || h != buffers.h) && !is("no-rescale")))
      make_buffers(w, h, strcmp(format, "argb") == 0 ? WL_SHM_FORMAT_ARGB8888 : WL_SHM_FORMAT_XRGB8888);
    w = buffers.w, h = buffers.h;
    const int b = one_buffer ? 0 : k % 2;
    while (c.busy[b] && !one_buffer) dispatch();
    draw(buffers.pixels[b], w, h, buffers.stride, k);
    if (acked != c.serial && !is("no-ack") && !is("bad-ack")) xdg_surface_ack_configure(xdg_surface, acked = c.serial);
    if (whole)
      wl_surface_set_buffer_scale(surface, c.output_scale);
    else if (!is("no-viewport"))
      wp_viewport_set_destination(viewport, c.width, c.height);
    if (is("part-source"))
      wp_viewport_set_source(viewport, 0, 0, wl_fixed_from_int(w / 2), wl_fixed_from_double(h / 2.0));
    wl_surface_attach(surface, buffers.buffer[b], 0, 0);
    if (is("surface-damage"))
      wl_surface_damage(surface, 0, 0, c.width, c.height);
    else if (is("third-surface-damage"))
      wl_surface_damage(surface, 0, 0, c.width / 3, c.height);
    else
      wl_surface_damage_buffer(surface, 0, 0, is("half-damage") ? w / 2 : w, h);
    wl_callback_add_listener(wl_surface_frame(surface), &frame_events, NULL);
    c.frame_done = false;
    wl_surface_commit(surface);
    c.busy[b] = true;
    while (!c.frame_done) dispatch();
    if (is("write-held")) draw(buffers.pixels[b], w, h, buffers.stride, k + 1);
    if (is("redraw-held")) {
      draw(buffers.pixels[b], w, h, buffers.stride, k + 1);
      wl_surface_damage_buffer(surface, 0, 0, w, h);
      wl_surface_commit(surface);
    }
    if (is("fullscreen") && k == 0) xdg_toplevel_set_fullscreen(toplevel, NULL);
  }
  wl_display_roundtrip(c.display);
  drop_buffers();
  xdg_toplevel_destroy(toplevel);
  xdg_surface_destroy(xdg_surface);
  if (fractional) wp_fractional_scale_v1_destroy(fractional);
  wp_viewport_destroy(viewport);
  wl_surface_destroy(surface);
  wl_registry_destroy(registry);
  if (c.output) wl_output_destroy(c.output);
  wl_compositor_destroy(c.compositor);
  wl_shm_destroy(c.shm);
  xdg_wm_base_destroy(c.wm_base);
  wp_viewporter_destroy(c.viewporter);
  if (c.fractional) wp_fractional_scale_manager_v1_destroy(c.fractional);
  wl_display_disconnect(c.display);
  return 0;
}
