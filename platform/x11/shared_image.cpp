#include "platform/x11/shared_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>

namespace x11 {

namespace {

// Errors while the server attaches a segment: it may refuse one it cannot reach.
int attachErrors = 0;
int OnAttachError(Display*, XErrorEvent*) {
  ++attachErrors;
  return 0;
}

// Shared memory works only with a server on this machine that offers it.
bool Shareable(Display* display) {
  const char* name = DisplayString(display);
  return XShmQueryExtension(display) && name != nullptr && name[0] == ':';
}

}  // namespace

SharedImage::SharedImage(Display* display, Window window, GC gc, int depth, int width, int height)
    : display_(display), window_(window), gc_(gc) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
  image_.width = width;
  image_.height = height;
  image_.format = ZPixmap;
  const uint16_t one = 1;
  image_.byte_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
  image_.bitmap_unit = 32;
  image_.bitmap_bit_order = image_.byte_order;
  image_.bitmap_pad = 32;
  image_.depth = depth;
  image_.bytes_per_line = stride;
  image_.bits_per_pixel = 32;
  image_.red_mask = 0xFF0000;
  image_.green_mask = 0xFF00;
  image_.blue_mask = 0xFF;
  // Cairo takes no side beyond 32767 pixels: no segment for an image it would refuse.
  if (stride > 0 && width <= 32767 && height <= 32767 && Shareable(display) &&
      Share(static_cast<size_t>(stride) * static_cast<size_t>(height))) {
    image_.data = shm_.shmaddr;
    image_.obdata = reinterpret_cast<char*>(&shm_);
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(shm_.shmaddr),
                                                   CAIRO_FORMAT_RGB24, width, height, stride);
  } else {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    image_.data = reinterpret_cast<char*>(cairo_image_surface_get_data(surface_));
    image_.bytes_per_line = cairo_image_surface_get_stride(surface_);
  }
  if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS) XInitImage(&image_);
}

// A segment the server has attached. It is marked for removal at once: it goes when
// both sides let go, however the process ends.
bool SharedImage::Share(size_t bytes) {
  shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm_.shmid < 0) return false;
  shm_.shmaddr = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
  shm_.readOnly = True;
  if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
    XSync(display_, False);  // earlier errors go to the usual handler
    XErrorHandler usual = XSetErrorHandler(OnAttachError);
    attachErrors = 0;
    shared_ = XShmAttach(display_, &shm_) && (XSync(display_, False), attachErrors == 0);
    XSetErrorHandler(usual);
  }
  shmctl(shm_.shmid, IPC_RMID, nullptr);
  if (!shared_ && shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
  return shared_;
}

SharedImage::~SharedImage() {
  cairo_surface_destroy(surface_);
  if (shared_) {
    XShmDetach(display_, &shm_);
    XSync(display_, False);
    shmdt(shm_.shmaddr);
  }
}

void SharedImage::Show(const RECT& part) {
  const unsigned w = static_cast<unsigned>(part.right - part.left), h = static_cast<unsigned>(part.bottom - part.top);
  if (shared_) {
    XShmPutImage(display_, window_, gc_, &image_, part.left, part.top, part.left, part.top, w, h, False);
  } else {
    XPutImage(display_, window_, gc_, &image_, part.left, part.top, part.left, part.top, w, h);
  }
}

}  // namespace x11
