/* xgrab: every picture a window shows, for tests that compare the screen with the
 * pictures it should show.
 *
 *   xgrab WINDOW DIR SECONDS
 *
 * WINDOW is a window id (0x-hex or decimal) or "root". For SECONDS it reads the
 * window's pixels again and again, every few milliseconds through memory shared with
 * the server (MIT-SHM, so the server must run on this machine), and writes each
 * picture that differs from the one before as DIR/NNN.ppm (binary PPM, 8 bits a
 * colour, as `convert -depth 8 FILE.png FILE.ppm` writes it), NNN counting from 000.
 * The X server carries out one request at a time, so a picture is never caught
 * half-way through a request that draws into the window: a program that shows each
 * step with one request has each step in a file of its own, as long as its steps are
 * further apart than one read (a few milliseconds). At the end it prints how many
 * pictures it wrote. Exit codes: 0, 1 no display, no such window or a file not
 * written, 2 bad usage. Build: cc xgrab.c -lXext -lX11 (it compiles as C++ as well).
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int usage(const char *problem) {
  fprintf(stderr, "xgrab: %s\nusage: xgrab WINDOW|root DIR SECONDS\n", problem);
  return 2;
}

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* A window that goes or shrinks while it is read ends the reading. */
static int ignore_error(Display *display, XErrorEvent *error) {
  (void)display;
  (void)error;
  return 0;
}

/* The lowest bit a mask covers: where its colour's eight bits begin. */
static int shift_of(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int main(int argc, char **argv) {
  if (argc != 4) return usage("wrong number of arguments");
  char *end = NULL;
  const double seconds = strtod(argv[3], &end);
  if (end == argv[3] || *end != '\0' || !(seconds > 0)) return usage("SECONDS must be a positive number");
  Display *display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xgrab: cannot open display %s\n", XDisplayName(NULL));
    return 1;
  }
  Window window = DefaultRootWindow(display);
  if (strcmp(argv[1], "root") != 0) {
    window = strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0') return usage("WINDOW must be a window id or root");
  }
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.depth < 24 ||
      attributes.visual->red_mask != 0xFF0000 || attributes.visual->green_mask != 0xFF00 ||
      attributes.visual->blue_mask != 0xFF) {
    fprintf(stderr, "xgrab: no window %s with 24-bit colour\n", argv[1]);
    return 1;
  }
  XSetErrorHandler(ignore_error);
  const int width = attributes.width, height = attributes.height;
  const size_t bytes = (size_t)width * (size_t)height * 3;
  unsigned char *picture = (unsigned char *)malloc(bytes);
  if (!picture) {
    fprintf(stderr, "xgrab: no memory for %dx%d pictures\n", width, height);
    return 1;
  }
  const int rs = shift_of(attributes.visual->red_mask), gs = shift_of(attributes.visual->green_mask),
            bs = shift_of(attributes.visual->blue_mask);
  XShmSegmentInfo shm;
  XImage *image = XShmQueryExtension(display) ? XShmCreateImage(display, attributes.visual, (unsigned)attributes.depth,
                                                                ZPixmap, NULL, &shm, (unsigned)width, (unsigned)height)
                                              : NULL;
  const size_t size = image ? (size_t)image->bytes_per_line * (size_t)height : 0;
  char *previous = size ? (char *)malloc(size) : NULL;
  shm.shmid = previous ? shmget(IPC_PRIVATE, size, IPC_CREAT | 0600) : -1;
  shm.shmaddr = shm.shmid >= 0 ? (char *)shmat(shm.shmid, NULL, 0) : (char *)-1;
  if (shm.shmid >= 0) shmctl(shm.shmid, IPC_RMID, NULL); /* gone with the process */
  shm.readOnly = False;
  if (shm.shmaddr == (char *)-1 || !XShmAttach(display, &shm)) {
    fprintf(stderr, "xgrab: no shared memory with the display for %dx%d pictures\n", width, height);
    return 1;
  }
  image->data = shm.shmaddr;
  int written = 0;
  const double stop = now() + seconds;
  for (;;) { /* at least one read */
    if (!XShmGetImage(display, window, image, 0, 0, AllPlanes)) break; /* the window is gone */
    if (written == 0 || memcmp(image->data, previous, size) != 0) {
      memcpy(previous, image->data, size);
      unsigned char *out = picture;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const unsigned long pixel = XGetPixel(image, x, y);
          *out++ = (unsigned char)(pixel >> rs);
          *out++ = (unsigned char)(pixel >> gs);
          *out++ = (unsigned char)(pixel >> bs);
        }
      }
      char path[4096];
      snprintf(path, sizeof path, "%s/%03d.ppm", argv[2], written);
      FILE *file = fopen(path, "wb");
      if (!file || fprintf(file, "P6\n%d %d\n255\n", width, height) < 0 || fwrite(picture, 1, bytes, file) != bytes ||
          fclose(file) != 0) {
        fprintf(stderr, "xgrab: cannot write %s\n", path);
        return 1;
      }
      ++written;
    }
    if (now() >= stop) break;
    /* A breath between reads leaves the processor to the program being watched. */
    const struct timespec pause = {0, 2 * 1000 * 1000};
    nanosleep(&pause, NULL);
  }
  printf("%d\n", written);
  XShmDetach(display, &shm);
  XSync(display, False);
  shmdt(shm.shmaddr);
  image->data = NULL; /* not XDestroyImage's to free */
  XDestroyImage(image);
  free(previous);
  free(picture);
  XCloseDisplay(display);
  return 0;
}
