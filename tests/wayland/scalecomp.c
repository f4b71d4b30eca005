/* scalecomp: a Wayland compositor with no screen, for the tests of a client on an
 * output of fractional scale. It checks every buffer the client shows there and can
 * write each one as a picture.
 *
 *   scalecomp SOCKET WxH SCALE [--shots DIR] [--whole] [--free] [--late] [--unsaid] [--rescale N SCALE]
 *
 * SOCKET is the name of its socket in $XDG_RUNTIME_DIR (the client's WAYLAND_DISPLAY),
 * WxH the logical size of its one output and of every toplevel's configure, SCALE the
 * output's scale, a multiple of 1/120 from 1 to 8 (1.25, 1.5, 1.75, 2). Each surface
 * hears the scale as its preferred scale (wp_fractional_scale_v1) before its first
 * configure; the output's mode is its logical size times the scale, rounded, and its
 * integer scale the scale rounded up, as wlroots tells it to clients that know no
 * fractions. --whole offers no fractional scales: SCALE is a whole one, told as the
 * output's scale alone. --free configures toplevels with 0x0, leaving their size to
 * the client. --late tells a surface its preferred scale and its output's enter only
 * once its first buffer is shown, as wlroots does (that buffer may have any size from
 * the surface's own up). --unsaid (scale 1 only) tells no wl_output.scale, which the
 * protocol leaves a compositor free to leave out where it is 1.
 * --rescale N SCALE tells the new scale once commit N is shown.
 *
 * It offers wl_compositor 4, wl_shm (ARGB8888 and XRGB8888), xdg_wm_base 5 (toplevels:
 * a configure of WxH, with the fullscreen state once asked for it, and the output's
 * enter), wp_viewporter,
 * wp_fractional_scale_manager_v1, wl_output 4 and a wl_seat 7 with neither pointer nor
 * keyboard. A frame callback is done 16 ms after the commit that brought it. A buffer
 * is held from the commit that shows it until a commit shows another one or none; then
 * it is released.
 *
 * What it checks of a client, each fault one line on stderr ("scalecomp: commit 003:
 * ..."), as a compositor that uses the buffer in place or updates its copy by the
 * damage would see it go wrong:
 *   - a buffer comes only after the toplevel's configure was acked;
 *   - the surface has the configured size (with --free, any): the viewport's
 *     destination, or else the buffer over its buffer scale; the buffer is that size
 *     times the scale, rounded half away from zero; with a fractional scale there is a
 *     destination and the buffer scale is 1; the viewport's source is unset or the
 *     whole buffer, and the transform normal;
 *   - after a new scale (--rescale, or --late's first), the new scale is taken: commits
 *     of the size before are passed over only until the first at the new one, which
 *     must come;
 *   - a buffer is not attached again while it is held, and not written while held: its
 *     pixels when it is committed again or released are those it was shown with;
 *   - nothing changes outside the damage of a commit (wl_surface.damage, scaled to
 *     the buffer, and damage_buffer);
 *   - every pixel of an ARGB8888 buffer is opaque.
 * Once its socket takes clients it says so on stdout ("scalecomp: wayland-1 at
 * 641x479, scale 1.5: 962x719"). Each commit with a buffer is one line there
 * ("commit 003: 962x719 XRGB8888 viewport 641x479 buffer scale 1 damage
 * 962x719+0+0"), and with --shots DIR its buffer is written as DIR/commit-003.png (RGB;
 * an ARGB8888 buffer as it shows over black; each file is whole once it has its name).
 * A toplevel's title and app id are a line each too, and so is a new scale.
 *
 * It ends when its last client has gone (after a first one came), or at SIGTERM or
 * SIGINT. Exit status: 0 every check held, 1 a check failed (the last line on stderr
 * says how many) or the socket or a picture could not be made, 2 a bad command line.
 * Build: the wayland-scanner server code of xdg-shell, viewporter and
 * fractional-scale-v1; -lwayland-server -lpixman-1 -lcairo.
 */
#include <cairo.h>
#include <errno.h>
#include <inttypes.h>
#include <limits.h>
#include <math.h>
#include <pixman.h>
#include <signal.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-server-core.h>
#include <wayland-server-protocol.h>

#include "fractional-scale-v1-server-protocol.h"
#include "viewporter-server-protocol.h"
#include "xdg-shell-server-protocol.h"

static struct {
  struct wl_display *display;
  int32_t width, height;  /* the output's logical size, every configure's */
  uint32_t scale120;      /* the scale in 120ths */
  const char *scale_text; /* as the command line gave it */
  bool whole;             /* no fractional scales */
  bool free;              /* configures of 0x0 */
  int rescale_after;      /* the commit after which the scale changes; -1: never */
  uint32_t rescale120;    /* to this scale */
  const char *rescale_text;
  bool late;                /* the preferred scale and the output's enter after the first buffer */
  bool unsaid;              /* no wl_output.scale */
  bool told;                /* the scale of the moment was told */
  int told_after;           /* the commit after which it was told */
  int32_t grace_w, grace_h; /* the buffer's size before it, while commits may still come at it; 0: none */
  int grace_commits;        /* how many came at it */
  const char *shots;        /* a folder for the pictures, or NULL */
  int commits;              /* commits with a buffer so far */
  int failures;
  int clients;              /* connected now */
  struct wl_list outputs;   /* the wl_output resources */
  struct wl_list fractions; /* the wp_fractional_scale_v1 resources */
  struct wl_list callbacks; /* frame callbacks committed, not yet done */
  struct wl_event_source *frame_timer;
} comp;

static void failf(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void tell_output(struct wl_resource *output);
static void failf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  fputs("scalecomp: ", stderr);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  ++comp.failures;
}

/* A size times a scale in 120ths, rounded half away from zero (sizes are not
 * negative). */
static int32_t times(int32_t size, uint32_t scale120) { return (int32_t)(((int64_t)size * scale120 + 60) / 120); }
static int32_t scaled(int32_t size) { return times(size, comp.scale120); }

static uint32_t now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (uint32_t)((uint64_t)t.tv_sec * 1000 + (uint64_t)t.tv_nsec / 1000000);
}

/* Requests that change nothing here, for objects that only need to exist (regions,
 * positioners, a seat's devices): a request named destroy or release destroys. */
static int inert_request(const void *implementation, void *target, uint32_t opcode, const struct wl_message *message,
                         union wl_argument *args) {
  (void)implementation, (void)opcode, (void)args;
  if (strcmp(message->name, "destroy") == 0 || strcmp(message->name, "release") == 0)
    wl_resource_destroy((struct wl_resource *)target);
  return 0;
}
static struct wl_resource *inert(struct wl_client *client, const struct wl_interface *interface, int version,
                                 uint32_t id) {
  struct wl_resource *resource = wl_resource_create(client, interface, version, id);
  if (!resource) {
    wl_client_post_no_memory(client);
    return NULL;
  }
  wl_resource_set_dispatcher(resource, inert_request, NULL, NULL, NULL);
  return resource;
}

/* A resource kept in a list until it goes. */
static void unlink_resource(struct wl_resource *resource) { wl_list_remove(wl_resource_get_link(resource)); }

/* ---- Surfaces ---------------------------------------------------------------------- */

struct viewport_state {
  int32_t dest_w, dest_h; /* -1: unset */
  wl_fixed_t src[4];      /* x, y, w, h; all -1: unset */
};

struct surface {
  struct wl_resource *resource;
  /* The pending state, applied at commit. */
  bool attached;
  struct wl_resource *pending_buffer;
  struct wl_listener pending_buffer_gone;
  int32_t pending_scale, pending_transform;
  struct viewport_state pending_view;
  pixman_region32_t damage, buffer_damage;
  struct wl_list pending_callbacks;
  /* The state of the last commit. */
  int32_t scale, transform;
  struct viewport_state view;
  /* The buffer shown and held, its pixels as they were shown (alpha 0xFF), and the
   * commit that showed it. */
  struct wl_resource *held;
  struct wl_listener held_gone;
  uint32_t *shown;
  int32_t shown_w, shown_h;
  int shown_commit;
  /* Its add-ons and its role. */
  struct wl_resource *viewport, *fractional, *xdg_surface, *toplevel;
  bool fullscreen;
  uint32_t first_serial, last_serial; /* the configures sent; 0: none yet */
  bool acked;
};

static void forget_pending_buffer(struct surface *surface) {
  if (surface->pending_buffer) wl_list_remove(&surface->pending_buffer_gone.link);
  surface->pending_buffer = NULL;
}
static void pending_buffer_gone(struct wl_listener *listener, void *data) {
  (void)data;
  struct surface *surface = wl_container_of(listener, surface, pending_buffer_gone);
  forget_pending_buffer(surface);
}
static void held_gone(struct wl_listener *listener, void *data) {
  (void)data;
  struct surface *surface = wl_container_of(listener, surface, held_gone);
  wl_list_remove(&surface->held_gone.link);
  surface->held = NULL;
}

/* The pixels of a wl_shm buffer, row after row without padding, each with alpha 0xFF
 * (XRGB8888 leaves that byte to the client; ARGB8888 shows premultiplied over black).
 * The number of pixels that are not opaque, for ARGB8888, in *translucent and the first
 * of them in *first. NULL when there is no memory. */
static uint32_t *read_pixels(struct wl_shm_buffer *shm, int *translucent, int32_t *first_x, int32_t *first_y) {
  const int32_t w = wl_shm_buffer_get_width(shm), h = wl_shm_buffer_get_height(shm);
  const int32_t stride = wl_shm_buffer_get_stride(shm);
  const bool argb = wl_shm_buffer_get_format(shm) == WL_SHM_FORMAT_ARGB8888;
  uint32_t *pixels = malloc((size_t)w * (size_t)h * 4 + 4);
  if (!pixels) return NULL;
  wl_shm_buffer_begin_access(shm);
  const unsigned char *data = wl_shm_buffer_get_data(shm);
  for (int32_t y = 0; y < h; ++y)
    memcpy(pixels + (size_t)y * (size_t)w, data + (size_t)y * (size_t)stride, (size_t)w * 4);
  wl_shm_buffer_end_access(shm);
  *translucent = 0;
  for (size_t i = 0; i < (size_t)w * (size_t)h; ++i) {
    if (argb && pixels[i] >> 24 != 0xFF && (*translucent)++ == 0)
      *first_x = (int32_t)(i % (size_t)w), *first_y = (int32_t)(i / (size_t)w);
    pixels[i] |= 0xFF000000u;
  }
  return pixels;
}

/* The first pixel where two pictures of W×H differ, or false when none does. */
static bool first_difference(const uint32_t *a, const uint32_t *b, int32_t w, int32_t h, int32_t *x, int32_t *y) {
  for (size_t i = 0; i < (size_t)w * (size_t)h; ++i) {
    if (a[i] != b[i]) {
      *x = (int32_t)(i % (size_t)w), *y = (int32_t)(i / (size_t)w);
      return true;
    }
  }
  return false;
}

/* The held buffer still shows what it was shown with, or a failure line. */
static void check_unchanged(struct surface *surface, const char *when) {
  struct wl_shm_buffer *shm = wl_shm_buffer_get(surface->held);
  int translucent;
  int32_t x, y;
  uint32_t *now = read_pixels(shm, &translucent, &x, &y);
  if (now && first_difference(now, surface->shown, surface->shown_w, surface->shown_h, &x, &y))
    failf("commit %03d's buffer was written while held, before %s (the first pixel changed at %d,%d)",
          surface->shown_commit, when, x, y);
  free(now);
}

static void release_held(struct surface *surface, const char *when) {
  if (!surface->held) return;
  check_unchanged(surface, when);
  wl_buffer_send_release(surface->held);
  wl_list_remove(&surface->held_gone.link);
  surface->held = NULL;
}

/* The commit's damage in the buffer's pixels: damage_buffer, and the surface's damage
 * scaled from the surface (the viewport's destination, or the buffer over its scale)
 * to the buffer and rounded outwards. */
static void buffer_damage(struct surface *surface, int32_t w, int32_t h, pixman_region32_t *out) {
  const int64_t sw = surface->view.dest_w > 0 ? surface->view.dest_w : w / surface->scale;
  const int64_t sh = surface->view.dest_h > 0 ? surface->view.dest_h : h / surface->scale;
  pixman_region32_copy(out, &surface->buffer_damage);
  int n;
  const pixman_box32_t *box = pixman_region32_rectangles(&surface->damage, &n);
  for (int i = 0; i < n && sw > 0 && sh > 0; ++i) {
    const int64_t x1 = box[i].x1 * w / sw, y1 = box[i].y1 * h / sh;
    const int64_t x2 = (box[i].x2 * w + sw - 1) / sw, y2 = (box[i].y2 * h + sh - 1) / sh;
    pixman_region32_union_rect(out, out, (int)x1, (int)y1, (unsigned)(x2 - x1), (unsigned)(y2 - y1));
  }
  pixman_region32_intersect_rect(out, out, 0, 0, (unsigned)w, (unsigned)h);
}

/* Outside the damage the new pixels are the ones shown before, or a failure line. */
static void check_damage(struct surface *surface, int n, const uint32_t *pixels, pixman_region32_t *damage) {
  const int32_t w = surface->shown_w, h = surface->shown_h;
  uint32_t *undamaged = malloc((size_t)w * (size_t)h * 4 + 4);
  if (!undamaged) return;
  memcpy(undamaged, pixels, (size_t)w * (size_t)h * 4);
  int boxes;
  const pixman_box32_t *box = pixman_region32_rectangles(damage, &boxes);
  for (int i = 0; i < boxes; ++i)
    for (int32_t y = box[i].y1; y < box[i].y2; ++y)
      memcpy(undamaged + (size_t)y * (size_t)w + (size_t)box[i].x1,
             surface->shown + (size_t)y * (size_t)w + (size_t)box[i].x1, (size_t)(box[i].x2 - box[i].x1) * 4);
  int32_t x, y;
  if (first_difference(undamaged, surface->shown, w, h, &x, &y))
    failf("commit %03d: pixels changed outside its damage (the first at %d,%d)", n, x, y);
  free(undamaged);
}

static void write_shot(int n, const uint32_t *pixels, int32_t w, int32_t h) {
  char path[PATH_MAX], part[PATH_MAX];
  snprintf(path, sizeof path, "%s/commit-%03d.png", comp.shots, n);
  snprintf(part, sizeof part, "%s/.commit-%03d.png.part", comp.shots, n);
  cairo_surface_t *image =
      cairo_image_surface_create_for_data((unsigned char *)pixels, CAIRO_FORMAT_RGB24, w, h, w * 4);
  const cairo_status_t status = cairo_surface_write_to_png(image, part);
  cairo_surface_destroy(image);
  if (status != CAIRO_STATUS_SUCCESS || rename(part, path) != 0) {
    failf("cannot write %s: %s", path,
          status != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(status) : strerror(errno));
    remove(part);
  }
}

static const char *format_name(uint32_t format) {
  return format == WL_SHM_FORMAT_ARGB8888 ? "ARGB8888" : format == WL_SHM_FORMAT_XRGB8888 ? "XRGB8888" : "?";
}

/* The size checks of a commit with a buffer of W×H. */
static void check_size(struct surface *surface, int n, int32_t w, int32_t h) {
  if (!surface->acked) failf("commit %03d: a buffer before the toplevel's configure was acked", n);
  const struct viewport_state *view = &surface->view;
  /* The surface's size: the viewport's destination, or the buffer over its scale. */
  int32_t sw = view->dest_w, sh = view->dest_h;
  bool sized = true;
  if (sw < 0 && !comp.whole) {
    failf("commit %03d: no viewport destination, expected %dx%d", n, comp.width, comp.height);
    sized = false;
  } else if (sw < 0) {
    sw = w / surface->scale, sh = h / surface->scale;
    if (!comp.free && (sw != comp.width || sh != comp.height)) {
      failf("commit %03d: a surface of %dx%d (a buffer of %dx%d at buffer scale %d), expected %dx%d", n, sw, sh, w, h,
            surface->scale, comp.width, comp.height);
      sized = false;
    }
  } else if (!comp.free && (sw != comp.width || sh != comp.height)) {
    failf("commit %03d: a viewport destination of %dx%d, expected %dx%d", n, sw, sh, comp.width, comp.height);
    sized = false;
  }
  /* Before a scale is told any size from the surface's own up goes; after a new one,
   * the size before it until the first commit at the new one. */
  if (!sized) {
  } else if (!comp.told) {
    if (w < sw || h < sh)
      failf("commit %03d: a buffer of %dx%d, smaller than its surface of %dx%d before a scale was told", n, w, h, sw,
            sh);
  } else if (comp.grace_w != 0 && w == comp.grace_w && h == comp.grace_h) {
    ++comp.grace_commits;
  } else if (w != scaled(sw) || h != scaled(sh)) {
    failf("commit %03d: a buffer of %dx%d, expected %dx%d (%dx%d at scale %s)", n, w, h, scaled(sw), scaled(sh), sw, sh,
          comp.scale_text);
  } else {
    comp.grace_w = comp.grace_h = 0;
  }
  const bool unset = view->src[0] == -1 && view->src[1] == -1 && view->src[2] == -1 && view->src[3] == -1;
  if (!unset && (view->src[0] != 0 || view->src[1] != 0 || view->src[2] != wl_fixed_from_int(w) ||
                 view->src[3] != wl_fixed_from_int(h)))
    failf("commit %03d: a viewport source of %gx%g+%g+%g, not the whole %dx%d buffer", n,
          wl_fixed_to_double(view->src[2]), wl_fixed_to_double(view->src[3]), wl_fixed_to_double(view->src[0]),
          wl_fixed_to_double(view->src[1]), w, h);
  if (!comp.whole && surface->scale != 1)
    failf("commit %03d: buffer scale %d, expected 1 beside a fractional scale", n, surface->scale);
  if (surface->transform != WL_OUTPUT_TRANSFORM_NORMAL)
    failf("commit %03d: buffer transform %d, expected normal (0)", n, surface->transform);
}

/* A scale told after commit N, whose buffer was W×H: every surface hears it. */
static void tell_scale(int n, int32_t w, int32_t h) {
  comp.told = true;
  comp.told_after = n;
  comp.grace_w = w, comp.grace_h = h;
  printf("scalecomp: scale %s after commit %03d\n", comp.scale_text, n);
  struct wl_resource *resource;
  wl_resource_for_each(resource, &comp.fractions) wp_fractional_scale_v1_send_preferred_scale(resource, comp.scale120);
}

/* The new scale of --rescale, told to every surface and output. */
static void rescale(int32_t w, int32_t h) {
  comp.scale120 = comp.rescale120;
  comp.scale_text = comp.rescale_text;
  struct wl_resource *resource;
  wl_resource_for_each(resource, &comp.outputs) tell_output(resource);
  tell_scale(comp.rescale_after, w, h);
}

/* With --late: once its first buffer is shown a surface hears its preferred scale and
 * enters the output, as wlroots tells them. */
static void tell_late(struct surface *surface, int n, int32_t w, int32_t h) {
  struct wl_resource *output = wl_resource_find_for_client(&comp.outputs, wl_resource_get_client(surface->resource));
  if (output) wl_surface_send_enter(surface->resource, output);
  if (!comp.whole) tell_scale(n, w, h);
}

/* A commit that attached BUFFER (NULL: none, the surface is hidden). */
static void take_buffer(struct surface *surface, struct wl_resource *buffer) {
  if (!buffer) {
    release_held(surface, "the commit that hid the surface");
    return;
  }
  const int n = comp.commits++;
  char when[64];
  snprintf(when, sizeof when, "commit %03d", n);
  struct wl_shm_buffer *shm = wl_shm_buffer_get(buffer);
  if (!shm) {
    failf("commit %03d: not a wl_shm buffer", n);
    return;
  }
  const int32_t w = wl_shm_buffer_get_width(shm), h = wl_shm_buffer_get_height(shm);
  check_size(surface, n, w, h);
  if (wl_shm_buffer_get_stride(shm) / 4 < w) {
    failf("commit %03d: a stride of %d bytes for %d pixels", n, wl_shm_buffer_get_stride(shm), w);
    wl_resource_post_error(buffer, WL_SHM_ERROR_INVALID_STRIDE, "a stride shorter than the buffer's width");
    return;
  }
  int translucent;
  int32_t x = 0, y = 0;
  uint32_t *pixels = read_pixels(shm, &translucent, &x, &y);
  if (!pixels) {
    wl_client_post_no_memory(wl_resource_get_client(buffer));
    return;
  }
  if (translucent > 0)
    failf("commit %03d: the ARGB8888 buffer has pixels that are not opaque (%d, the first at %d,%d)", n, translucent, x,
          y);
  pixman_region32_t damage;
  pixman_region32_init(&damage);
  buffer_damage(surface, w, h, &damage);
  if (buffer == surface->held) {
    check_unchanged(surface, when);
  } else {
    if (surface->shown && surface->shown_w == w && surface->shown_h == h) check_damage(surface, n, pixels, &damage);
    release_held(surface, when);
    surface->held = buffer;
    wl_resource_add_destroy_listener(buffer, &surface->held_gone);
  }
  free(surface->shown);
  surface->shown = pixels;
  surface->shown_w = w, surface->shown_h = h;
  surface->shown_commit = n;
  const pixman_box32_t *extents = pixman_region32_extents(&damage);
  char viewport[32] = "none";
  if (surface->view.dest_w > 0)
    snprintf(viewport, sizeof viewport, "%dx%d", surface->view.dest_w, surface->view.dest_h);
  printf("commit %03d: %dx%d %s viewport %s buffer scale %d damage %dx%d+%d+%d\n", n, w, h,
         format_name(wl_shm_buffer_get_format(shm)), viewport, surface->scale, extents->x2 - extents->x1,
         extents->y2 - extents->y1, extents->x1, extents->y1);
  pixman_region32_fini(&damage);
  if (comp.shots) write_shot(n, pixels, w, h);
  if (comp.late && n == 0) tell_late(surface, n, w, h);
  if (n == comp.rescale_after) rescale(w, h);
}

static void send_configure(struct surface *surface) {
  struct wl_array states;
  wl_array_init(&states);
  if (surface->fullscreen) {
    uint32_t *state = wl_array_add(&states, sizeof *state);
    if (state) *state = XDG_TOPLEVEL_STATE_FULLSCREEN;
  }
  xdg_toplevel_send_configure(surface->toplevel, comp.free ? 0 : comp.width, comp.free ? 0 : comp.height, &states);
  wl_array_release(&states);
  surface->last_serial = wl_display_next_serial(comp.display);
  if (surface->first_serial == 0) surface->first_serial = surface->last_serial;
  xdg_surface_send_configure(surface->xdg_surface, surface->last_serial);
}

static void surface_destroy(struct wl_client *client, struct wl_resource *resource) {
  (void)client;
  wl_resource_destroy(resource);
}
static void surface_attach(struct wl_client *client, struct wl_resource *resource, struct wl_resource *buffer,
                           int32_t x, int32_t y) {
  (void)client, (void)x, (void)y;
  struct surface *surface = wl_resource_get_user_data(resource);
  if (buffer && buffer == surface->held)
    failf("commit %03d's buffer attached again before its release", surface->shown_commit);
  forget_pending_buffer(surface);
  surface->attached = true;
  surface->pending_buffer = buffer;
  if (buffer) wl_resource_add_destroy_listener(buffer, &surface->pending_buffer_gone);
}
/* A rectangle of damage added to a region, cut to 0..65535 each way: clients name
 * everything with INT32_MAX, which pixman's corners cannot hold. */
static void add_damage(pixman_region32_t *region, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int64_t x1 = x < 0 ? 0 : x, y1 = y < 0 ? 0 : y;
  const int64_t x2 = (int64_t)x + w > 65535 ? 65535 : (int64_t)x + w,
                y2 = (int64_t)y + h > 65535 ? 65535 : (int64_t)y + h;
  if (x1 < x2 && y1 < y2)
    pixman_region32_union_rect(region, region, (int)x1, (int)y1, (unsigned)(x2 - x1), (unsigned)(y2 - y1));
}
static void surface_damage(struct wl_client *client, struct wl_resource *resource, int32_t x, int32_t y, int32_t w,
                           int32_t h) {
  (void)client;
  add_damage(&((struct surface *)wl_resource_get_user_data(resource))->damage, x, y, w, h);
}
static void surface_damage_buffer(struct wl_client *client, struct wl_resource *resource, int32_t x, int32_t y,
                                  int32_t w, int32_t h) {
  (void)client;
  add_damage(&((struct surface *)wl_resource_get_user_data(resource))->buffer_damage, x, y, w, h);
}
static void callback_gone(struct wl_resource *resource) { unlink_resource(resource); }
static void surface_frame(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  struct surface *surface = wl_resource_get_user_data(resource);
  struct wl_resource *callback = wl_resource_create(client, &wl_callback_interface, 1, id);
  if (!callback) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(callback, NULL, NULL, callback_gone);
  wl_list_insert(surface->pending_callbacks.prev, wl_resource_get_link(callback));
}
static void surface_region(struct wl_client *client, struct wl_resource *resource, struct wl_resource *region) {
  (void)client, (void)resource, (void)region;
}
static void surface_commit(struct wl_client *client, struct wl_resource *resource) {
  (void)client;
  struct surface *surface = wl_resource_get_user_data(resource);
  surface->scale = surface->pending_scale;
  surface->transform = surface->pending_transform;
  surface->view = surface->pending_view;
  if (!wl_list_empty(&surface->pending_callbacks)) {
    if (wl_list_empty(&comp.callbacks)) wl_event_source_timer_update(comp.frame_timer, 16);
    wl_list_insert_list(comp.callbacks.prev, &surface->pending_callbacks);
    wl_list_init(&surface->pending_callbacks);
  }
  if (surface->attached) {
    take_buffer(surface, surface->pending_buffer);
    forget_pending_buffer(surface);
    surface->attached = false;
  } else if (surface->held) {
    char when[64];
    snprintf(when, sizeof when, "a commit without a buffer after commit %03d", comp.commits - 1);
    check_unchanged(surface, when);
  }
  pixman_region32_clear(&surface->damage);
  pixman_region32_clear(&surface->buffer_damage);
  if (surface->toplevel && surface->last_serial == 0) {
    struct wl_resource *output = wl_resource_find_for_client(&comp.outputs, client);
    if (output && !comp.late) wl_surface_send_enter(resource, output);
    send_configure(surface);
  }
}
static void surface_set_buffer_transform(struct wl_client *client, struct wl_resource *resource, int32_t transform) {
  (void)client;
  ((struct surface *)wl_resource_get_user_data(resource))->pending_transform = transform;
}
static void surface_set_buffer_scale(struct wl_client *client, struct wl_resource *resource, int32_t scale) {
  (void)client;
  if (scale < 1) {
    wl_resource_post_error(resource, WL_SURFACE_ERROR_INVALID_SCALE, "buffer scale %d", scale);
    failf("a buffer scale of %d", scale);
    return;
  }
  ((struct surface *)wl_resource_get_user_data(resource))->pending_scale = scale;
}
/* Version 4: no offset request. */
static const struct wl_surface_interface surface_requests = {
    .destroy = surface_destroy,
    .attach = surface_attach,
    .damage = surface_damage,
    .frame = surface_frame,
    .set_opaque_region = surface_region,
    .set_input_region = surface_region,
    .commit = surface_commit,
    .set_buffer_transform = surface_set_buffer_transform,
    .set_buffer_scale = surface_set_buffer_scale,
    .damage_buffer = surface_damage_buffer,
};

static void surface_gone(struct wl_resource *resource) {
  struct surface *surface = wl_resource_get_user_data(resource);
  forget_pending_buffer(surface);
  if (surface->held) wl_list_remove(&surface->held_gone.link);
  /* Its callbacks that were not committed go with their client. */
  struct wl_resource *callback, *next;
  wl_resource_for_each_safe(callback, next, &surface->pending_callbacks) {
    wl_list_remove(wl_resource_get_link(callback));
    wl_list_init(wl_resource_get_link(callback));
  }
  struct wl_resource *addons[] = {surface->viewport, surface->fractional, surface->xdg_surface, surface->toplevel};
  for (size_t i = 0; i < sizeof addons / sizeof *addons; ++i)
    if (addons[i]) wl_resource_set_user_data(addons[i], NULL);
  pixman_region32_fini(&surface->damage);
  pixman_region32_fini(&surface->buffer_damage);
  free(surface->shown);
  free(surface);
}

static void compositor_create_surface(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  struct surface *surface = calloc(1, sizeof *surface);
  surface->resource =
      surface ? wl_resource_create(client, &wl_surface_interface, wl_resource_get_version(resource), id) : NULL;
  if (!surface || !surface->resource) {
    free(surface);
    wl_client_post_no_memory(client);
    return;
  }
  surface->pending_buffer_gone.notify = pending_buffer_gone;
  surface->held_gone.notify = held_gone;
  surface->pending_scale = surface->scale = 1;
  const struct viewport_state unset = {-1, -1, {-1, -1, -1, -1}};
  surface->pending_view = surface->view = unset;
  pixman_region32_init(&surface->damage);
  pixman_region32_init(&surface->buffer_damage);
  wl_list_init(&surface->pending_callbacks);
  wl_resource_set_implementation(surface->resource, &surface_requests, surface, surface_gone);
}
static void compositor_create_region(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  (void)resource;
  inert(client, &wl_region_interface, 1, id);
}
static const struct wl_compositor_interface compositor_requests = {compositor_create_surface, compositor_create_region};

/* ---- The viewport and the fractional scale --------------------------------------- */

static struct surface *addon_surface(struct wl_resource *resource) { return wl_resource_get_user_data(resource); }

static void addon_destroy(struct wl_client *client, struct wl_resource *resource) {
  (void)client;
  wl_resource_destroy(resource);
}
static void viewport_set_source(struct wl_client *client, struct wl_resource *resource, wl_fixed_t x, wl_fixed_t y,
                                wl_fixed_t w, wl_fixed_t h) {
  (void)client;
  struct surface *surface = addon_surface(resource);
  if (!surface) {
    wl_resource_post_error(resource, WP_VIEWPORT_ERROR_NO_SURFACE, "the surface is gone");
    return;
  }
  const wl_fixed_t source[4] = {x, y, w, h};
  memcpy(surface->pending_view.src, source, sizeof source);
}
static void viewport_set_destination(struct wl_client *client, struct wl_resource *resource, int32_t w, int32_t h) {
  (void)client;
  struct surface *surface = addon_surface(resource);
  if (!surface) {
    wl_resource_post_error(resource, WP_VIEWPORT_ERROR_NO_SURFACE, "the surface is gone");
  } else if ((w <= 0 || h <= 0) && !(w == -1 && h == -1)) {
    wl_resource_post_error(resource, WP_VIEWPORT_ERROR_BAD_VALUE, "destination %dx%d", w, h);
    failf("a viewport destination of %dx%d", w, h);
  } else {
    surface->pending_view.dest_w = w, surface->pending_view.dest_h = h;
  }
}
static const struct wp_viewport_interface viewport_requests = {addon_destroy, viewport_set_source,
                                                               viewport_set_destination};
static void viewport_gone(struct wl_resource *resource) {
  struct surface *surface = addon_surface(resource);
  if (!surface) return;
  const struct viewport_state unset = {-1, -1, {-1, -1, -1, -1}};
  surface->pending_view = unset;
  surface->viewport = NULL;
}
static void viewporter_get_viewport(struct wl_client *client, struct wl_resource *resource, uint32_t id,
                                    struct wl_resource *surface_resource) {
  struct surface *surface = wl_resource_get_user_data(surface_resource);
  if (surface->viewport) {
    wl_resource_post_error(resource, WP_VIEWPORTER_ERROR_VIEWPORT_EXISTS, "the surface has a viewport");
    failf("a second viewport for a surface");
    return;
  }
  surface->viewport = wl_resource_create(client, &wp_viewport_interface, 1, id);
  if (!surface->viewport) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(surface->viewport, &viewport_requests, surface, viewport_gone);
}
static const struct wp_viewporter_interface viewporter_requests = {addon_destroy, viewporter_get_viewport};

static const struct wp_fractional_scale_v1_interface fractional_requests = {addon_destroy};
static void fractional_gone(struct wl_resource *resource) {
  struct surface *surface = addon_surface(resource);
  if (surface) surface->fractional = NULL;
  unlink_resource(resource);
}
static void fractional_get(struct wl_client *client, struct wl_resource *resource, uint32_t id,
                           struct wl_resource *surface_resource) {
  struct surface *surface = wl_resource_get_user_data(surface_resource);
  if (surface->fractional) {
    wl_resource_post_error(resource, WP_FRACTIONAL_SCALE_MANAGER_V1_ERROR_FRACTIONAL_SCALE_EXISTS,
                           "the surface has a fractional scale");
    failf("a second fractional scale for a surface");
    return;
  }
  surface->fractional = wl_resource_create(client, &wp_fractional_scale_v1_interface, 1, id);
  if (!surface->fractional) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(surface->fractional, &fractional_requests, surface, fractional_gone);
  wl_list_insert(&comp.fractions, wl_resource_get_link(surface->fractional));
  if (comp.told) wp_fractional_scale_v1_send_preferred_scale(surface->fractional, comp.scale120);
}
static const struct wp_fractional_scale_manager_v1_interface fractional_manager_requests = {addon_destroy,
                                                                                            fractional_get};

/* ---- xdg-shell -------------------------------------------------------------------- */

/* The toplevel's requests by name: the title and app id are told, full screen
 * configured; moving, resizing, menus, parents and size limits change nothing here. */
static int toplevel_request(const void *implementation, void *target, uint32_t opcode, const struct wl_message *message,
                            union wl_argument *args) {
  (void)implementation, (void)opcode;
  struct wl_resource *resource = target;
  struct surface *surface = addon_surface(resource);
  const char *name = message->name;
  if (strcmp(name, "destroy") == 0) {
    wl_resource_destroy(resource);
  } else if (strcmp(name, "set_title") == 0 || strcmp(name, "set_app_id") == 0) {
    printf("toplevel: %s %s\n", strcmp(name, "set_title") == 0 ? "title" : "app id", args[0].s);
  } else if (surface && (strcmp(name, "set_fullscreen") == 0 || strcmp(name, "unset_fullscreen") == 0)) {
    surface->fullscreen = strcmp(name, "set_fullscreen") == 0;
    if (surface->last_serial != 0) send_configure(surface);
  }
  return 0;
}
static void toplevel_gone(struct wl_resource *resource) {
  struct surface *surface = addon_surface(resource);
  if (surface) surface->toplevel = NULL;
}

static void xdg_surface_get_toplevel(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  struct surface *surface = addon_surface(resource);
  if (!surface || surface->toplevel) {
    wl_resource_post_error(resource, XDG_WM_BASE_ERROR_ROLE, "the surface is gone or has a role");
    failf("a toplevel for a surface that is gone or has a role");
    return;
  }
  surface->toplevel = wl_resource_create(client, &xdg_toplevel_interface, wl_resource_get_version(resource), id);
  if (!surface->toplevel) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_dispatcher(surface->toplevel, toplevel_request, NULL, surface, toplevel_gone);
  if (wl_resource_get_version(surface->toplevel) >= XDG_TOPLEVEL_WM_CAPABILITIES_SINCE_VERSION) {
    struct wl_array capabilities;
    wl_array_init(&capabilities);
    uint32_t *capability = wl_array_add(&capabilities, sizeof *capability);
    if (capability) *capability = XDG_TOPLEVEL_WM_CAPABILITIES_FULLSCREEN;
    xdg_toplevel_send_wm_capabilities(surface->toplevel, &capabilities);
    wl_array_release(&capabilities);
  }
}
static void xdg_surface_get_popup(struct wl_client *client, struct wl_resource *resource, uint32_t id,
                                  struct wl_resource *parent, struct wl_resource *positioner) {
  (void)client, (void)id, (void)parent, (void)positioner;
  wl_resource_post_error(resource, XDG_WM_BASE_ERROR_ROLE, "no popups here");
  failf("a popup, which this compositor does not offer");
}
static void xdg_surface_set_window_geometry(struct wl_client *client, struct wl_resource *resource, int32_t x,
                                            int32_t y, int32_t w, int32_t h) {
  (void)client, (void)resource, (void)x, (void)y, (void)w, (void)h;
}
static void xdg_surface_ack_configure(struct wl_client *client, struct wl_resource *resource, uint32_t serial) {
  (void)client;
  struct surface *surface = addon_surface(resource);
  if (!surface) return;
  if (surface->first_serial == 0 || serial < surface->first_serial || serial > surface->last_serial) {
    wl_resource_post_error(resource, XDG_SURFACE_ERROR_INVALID_SERIAL, "serial %u was not sent", serial);
    failf("an ack of configure %u, which was not sent", serial);
    return;
  }
  surface->acked = true;
}
static const struct xdg_surface_interface xdg_surface_requests = {
    addon_destroy,
    xdg_surface_get_toplevel,
    xdg_surface_get_popup,
    xdg_surface_set_window_geometry,
    xdg_surface_ack_configure,
};
static void xdg_surface_gone(struct wl_resource *resource) {
  struct surface *surface = addon_surface(resource);
  if (surface) surface->xdg_surface = NULL;
}

static void wm_base_create_positioner(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  inert(client, &xdg_positioner_interface, wl_resource_get_version(resource), id);
}
static void wm_base_get_xdg_surface(struct wl_client *client, struct wl_resource *resource, uint32_t id,
                                    struct wl_resource *surface_resource) {
  struct surface *surface = wl_resource_get_user_data(surface_resource);
  if (surface->xdg_surface) {
    wl_resource_post_error(resource, XDG_WM_BASE_ERROR_ROLE, "the surface has an xdg_surface");
    failf("a second xdg_surface for a surface");
    return;
  }
  surface->xdg_surface = wl_resource_create(client, &xdg_surface_interface, wl_resource_get_version(resource), id);
  if (!surface->xdg_surface) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(surface->xdg_surface, &xdg_surface_requests, surface, xdg_surface_gone);
}
static void wm_base_pong(struct wl_client *client, struct wl_resource *resource, uint32_t serial) {
  (void)client, (void)resource, (void)serial;
}
static const struct xdg_wm_base_interface wm_base_requests = {addon_destroy, wm_base_create_positioner,
                                                              wm_base_get_xdg_surface, wm_base_pong};

/* ---- The output and the seat -------------------------------------------------------- */

static void output_release(struct wl_client *client, struct wl_resource *resource) {
  (void)client;
  wl_resource_destroy(resource);
}
static const struct wl_output_interface output_requests = {output_release};

static void seat_get_device(struct wl_client *client, struct wl_resource *resource, uint32_t id,
                            const struct wl_interface *interface) {
  inert(client, interface, wl_resource_get_version(resource), id);
}
static void seat_get_pointer(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  seat_get_device(client, resource, id, &wl_pointer_interface);
}
static void seat_get_keyboard(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  seat_get_device(client, resource, id, &wl_keyboard_interface);
}
static void seat_get_touch(struct wl_client *client, struct wl_resource *resource, uint32_t id) {
  seat_get_device(client, resource, id, &wl_touch_interface);
}
static void seat_release(struct wl_client *client, struct wl_resource *resource) {
  (void)client;
  wl_resource_destroy(resource);
}
static const struct wl_seat_interface seat_requests = {seat_get_pointer, seat_get_keyboard, seat_get_touch,
                                                       seat_release};

/* ---- Globals ---------------------------------------------------------------------- */

static struct wl_resource *bound(struct wl_client *client, const struct wl_interface *interface, uint32_t version,
                                 uint32_t id, const void *requests, wl_resource_destroy_func_t gone) {
  struct wl_resource *resource = wl_resource_create(client, interface, (int)version, id);
  if (!resource) {
    wl_client_post_no_memory(client);
    return NULL;
  }
  wl_resource_set_implementation(resource, requests, NULL, gone);
  return resource;
}
static void bind_compositor(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  bound(client, &wl_compositor_interface, version, id, &compositor_requests, NULL);
}
static void bind_wm_base(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  bound(client, &xdg_wm_base_interface, version, id, &wm_base_requests, NULL);
}
static void bind_viewporter(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  bound(client, &wp_viewporter_interface, version, id, &viewporter_requests, NULL);
}
static void bind_fractional(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  bound(client, &wp_fractional_scale_manager_v1_interface, version, id, &fractional_manager_requests, NULL);
}
/* The output's mode and scale at the scale of the moment, and its done. */
static void tell_output(struct wl_resource *output) {
  wl_output_send_mode(output, WL_OUTPUT_MODE_CURRENT | WL_OUTPUT_MODE_PREFERRED, scaled(comp.width),
                      scaled(comp.height), 60000);
  if (wl_resource_get_version(output) >= WL_OUTPUT_SCALE_SINCE_VERSION && !comp.unsaid)
    wl_output_send_scale(output, (int32_t)((comp.scale120 + 119) / 120));
  if (wl_resource_get_version(output) >= WL_OUTPUT_DONE_SINCE_VERSION) wl_output_send_done(output);
}
static void bind_output(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  struct wl_resource *output = bound(client, &wl_output_interface, version, id, &output_requests, unlink_resource);
  if (!output) return;
  wl_list_insert(&comp.outputs, wl_resource_get_link(output));
  /* 96 dpi at the device size. */
  wl_output_send_geometry(output, 0, 0, scaled(comp.width) * 254 / 960, scaled(comp.height) * 254 / 960,
                          WL_OUTPUT_SUBPIXEL_UNKNOWN, "Dreieck", "scalecomp", WL_OUTPUT_TRANSFORM_NORMAL);
  if (version >= WL_OUTPUT_NAME_SINCE_VERSION) {
    wl_output_send_name(output, "SCALE-1");
    wl_output_send_description(output, "an output of fractional scale");
  }
  tell_output(output);
}
static void bind_seat(struct wl_client *client, void *data, uint32_t version, uint32_t id) {
  (void)data;
  struct wl_resource *seat = bound(client, &wl_seat_interface, version, id, &seat_requests, NULL);
  if (!seat) return;
  wl_seat_send_capabilities(seat, 0);
  if (version >= WL_SEAT_NAME_SINCE_VERSION) wl_seat_send_name(seat, "seat0");
}

/* ---- The loop ---------------------------------------------------------------------- */

static int frame_done(void *data) {
  (void)data;
  const uint32_t now = now_ms();
  struct wl_resource *callback, *next;
  wl_resource_for_each_safe(callback, next, &comp.callbacks) {
    wl_callback_send_done(callback, now);
    wl_resource_destroy(callback);
  }
  return 0;
}

static int stop(int signal, void *data) {
  (void)signal, (void)data;
  wl_display_terminate(comp.display);
  return 0;
}

static void client_gone(struct wl_listener *listener, void *data) {
  (void)data;
  wl_list_remove(&listener->link);
  free(listener);
  if (--comp.clients == 0) wl_display_terminate(comp.display);
}
static void client_came(struct wl_listener *listener, void *data) {
  (void)listener;
  struct wl_listener *gone = malloc(sizeof *gone);
  if (!gone) {
    wl_client_post_no_memory(data);
    return;
  }
  gone->notify = client_gone;
  wl_client_add_destroy_listener(data, gone);
  ++comp.clients;
}

static int usage(const char *problem) {
  fprintf(stderr,
          "scalecomp: %s\nusage: scalecomp SOCKET WxH SCALE [--shots DIR] [--whole] [--free] [--late] [--unsaid] "
          "[--rescale N SCALE]\n",
          problem);
  return 2;
}

/* A scale of the command line in 120ths, or 0 when it is none from 1 to 8. */
static uint32_t scale_of(const char *text) {
  char *end;
  const double scale = strtod(text, &end);
  if (end == text || *end || !(scale >= 1 && scale <= 8) || fabs(scale * 120 - round(scale * 120)) > 1e-9) return 0;
  return (uint32_t)round(scale * 120);
}

int main(int argc, char **argv) {
  if (argc < 4) return usage("wrong arguments");
  char *end;
  errno = 0;
  long w = strtol(argv[2], &end, 10), h = 0;
  if (*end == 'x') h = strtol(end + 1, &end, 10);
  if (errno || *end || w < 1 || h < 1 || w > 4096 || h > 4096) return usage("WxH must be two sizes from 1 to 4096");
  comp.width = (int32_t)w, comp.height = (int32_t)h;
  comp.scale_text = argv[3];
  if (!(comp.scale120 = scale_of(argv[3]))) return usage("SCALE must be a multiple of 1/120 from 1 to 8");
  comp.rescale_after = -1;
  for (int i = 4; i < argc; ++i) {
    if (strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
      comp.shots = argv[++i];
    } else if (strcmp(argv[i], "--whole") == 0) {
      comp.whole = true;
    } else if (strcmp(argv[i], "--free") == 0) {
      comp.free = true;
    } else if (strcmp(argv[i], "--late") == 0) {
      comp.late = true;
    } else if (strcmp(argv[i], "--unsaid") == 0) {
      comp.unsaid = true;
    } else if (strcmp(argv[i], "--rescale") == 0 && i + 2 < argc) {
      comp.rescale_after = (int)strtol(argv[i + 1], &end, 10);
      if (*end || end == argv[i + 1] || comp.rescale_after < 0) return usage("--rescale N must be a commit, from 0");
      comp.rescale_text = argv[i + 2];
      if (!(comp.rescale120 = scale_of(argv[i + 2]))) return usage("SCALE must be a multiple of 1/120 from 1 to 8");
      i += 2;
    } else {
      return usage("wrong arguments");
    }
  }
  if (comp.whole && (comp.scale120 % 120 != 0 || comp.rescale120 % 120 != 0))
    return usage("--whole takes whole scales only");
  if (comp.unsaid && (comp.scale120 != 120 || comp.rescale_after >= 0)) return usage("--unsaid takes scale 1 only");
  comp.told = comp.whole || !comp.late;
  setvbuf(stdout, NULL, _IOLBF, 0);
  wl_list_init(&comp.outputs);
  wl_list_init(&comp.fractions);
  wl_list_init(&comp.callbacks);

  comp.display = wl_display_create();
  if (!comp.display || wl_display_add_socket(comp.display, argv[1]) != 0) {
    fprintf(stderr, "scalecomp: cannot make the socket %s in XDG_RUNTIME_DIR (%s)\n", argv[1],
            getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "not set");
    return 1;
  }
  struct wl_event_loop *loop = wl_display_get_event_loop(comp.display);
  struct wl_event_source *term = NULL, *interrupt = NULL;
  struct wl_listener came = {.notify = client_came};
  wl_display_add_client_created_listener(comp.display, &came);
  if (wl_display_init_shm(comp.display) != 0 ||
      !wl_global_create(comp.display, &wl_compositor_interface, 4, NULL, bind_compositor) ||
      !wl_global_create(comp.display, &xdg_wm_base_interface, 5, NULL, bind_wm_base) ||
      !wl_global_create(comp.display, &wp_viewporter_interface, 1, NULL, bind_viewporter) ||
      (!comp.whole &&
       !wl_global_create(comp.display, &wp_fractional_scale_manager_v1_interface, 1, NULL, bind_fractional)) ||
      !wl_global_create(comp.display, &wl_output_interface, 4, NULL, bind_output) ||
      !wl_global_create(comp.display, &wl_seat_interface, 7, NULL, bind_seat) ||
      !(comp.frame_timer = wl_event_loop_add_timer(loop, frame_done, NULL)) ||
      !(term = wl_event_loop_add_signal(loop, SIGTERM, stop, NULL)) ||
      !(interrupt = wl_event_loop_add_signal(loop, SIGINT, stop, NULL))) {
    fprintf(stderr, "scalecomp: cannot set up the display\n");
    return 1;
  }
  printf("scalecomp: %s at %dx%d, scale %s: %dx%d\n", argv[1], comp.width, comp.height, comp.scale_text,
         scaled(comp.width), scaled(comp.height));
  wl_display_run(comp.display);
  wl_display_destroy_clients(comp.display);
  wl_event_source_remove(comp.frame_timer);
  wl_event_source_remove(term);
  wl_event_source_remove(interrupt);
  wl_display_destroy(comp.display);
  if (comp.grace_w != 0)
    failf("the scale %s told after commit %03d was not taken (commits after it at the size before: %d)",
          comp.scale_text, comp.told_after, comp.grace_commits);
  printf("scalecomp: %d commits with a buffer\n", comp.commits);
  if (comp.failures == 0) return 0;
  fprintf(stderr, "scalecomp: %d checks failed\n", comp.failures);
  return 1;
}
