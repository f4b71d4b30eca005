#include "platform/x11/shared_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstdio>

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

// Where a mask's bits begin and how many there are; false when they are not one run.
bool Field(unsigned long mask, int* shift, int* bits) {
  *shift = 0;
  *bits = 0;
  if (mask == 0) return false;
  while (((mask >> *shift) & 1) == 0) ++*shift;
  while (*shift + *bits < 64 && ((mask >> (*shift + *bits)) & 1) != 0) ++*bits;
  return (mask >> *shift) == (1ul << *bits) - 1;
}

}  // namespace

bool LayoutOf(Display* display, Visual* visual, int depth, PixelLayout* layout) {
  if (visual == nullptr || visual->c_class != TrueColor) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bpp = 0;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) bpp = formats[i].bits_per_pixel;
  if (formats != nullptr) XFree(formats);
  int rs, rb, gs, gb, bs, bb;
  if (bpp == 0 || !Field(visual->red_mask, &rs, &rb) || !Field(visual->green_mask, &gs, &gb) ||
      !Field(visual->blue_mask, &bs, &bb) || rb > 15 || gb > 15 || bb > 15 || rb + gb + bb > bpp)
    return false;
  // Red, green and blue next to each other from the lowest bit up: blue first (pixman's
  // ARGB kinds) or red first (ABGR).
  int type;
  if (bs == 0 && gs == bb && rs == bb + gb) type = PIXMAN_TYPE_ARGB;
  else if (rs == 0 && gs == rb && bs == rb + gb) type = PIXMAN_TYPE_ABGR;
  else return false;
  const auto format = static_cast<pixman_format_code_t>(PIXMAN_FORMAT(bpp, type, 0, rb, gb, bb));
  if (!pixman_format_supported_destination(format)) return false;
  *layout = {visual, depth, bpp, format};
  return true;
}

std::string DescribeVisual(const Visual* visual, int depth) {
  static const char* const kClasses[] = {"StaticGray", "GrayScale", "StaticColor", "PseudoColor", "TrueColor",
                                         "DirectColor"};
  const int c = visual != nullptr ? visual->c_class : -1;
  return std::to_string(depth) + "-bit " + (c >= 0 && c <= 5 ? kClasses[c] : "unknown");
}

SharedImage::SharedImage(Display* display, Window window, GC gc, const PixelLayout& layout, int width, int height)
    : display_(display), window_(window), gc_(gc) {
  // The XImage of the visual's pixels: its memory comes below.
  image_.width = width;
  image_.height = height;
  image_.format = ZPixmap;
  const uint16_t one = 1;
  image_.byte_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
  image_.bitmap_unit = 32;
  image_.bitmap_bit_order = image_.byte_order;
  image_.bitmap_pad = 32;
  image_.depth = layout.depth;
  image_.bits_per_pixel = layout.bitsPerPixel;
  // Rows padded to 32 bits, as Cairo's and pixman's are.
  image_.bytes_per_line = static_cast<int>((int64_t{width} * layout.bitsPerPixel + 31) / 32 * 4);
  image_.red_mask = layout.visual->red_mask;
  image_.green_mask = layout.visual->green_mask;
  image_.blue_mask = layout.visual->blue_mask;
  // The image's pixels go to the window as they are where they are the visual's: 32
  // bits a pixel, red, green and blue in eight bits each from the top.
  if (layout.format == PIXMAN_x8r8g8b8) MakeDirect(width, height);
  else MakeConverted(layout, width, height);
}

void SharedImage::MakeDirect(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
  // Cairo takes no larger side: no segment for an image it would refuse.
  const bool fits = stride > 0 && width <= cairo_canvas::kImageSideMax && height <= cairo_canvas::kImageSideMax;
  if (fits && Shareable(display_) && Share(static_cast<size_t>(stride) * static_cast<size_t>(height))) {
    image_.data = shm_.shmaddr;
    image_.obdata = reinterpret_cast<char*>(&shm_);
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(shm_.shmaddr), CAIRO_FORMAT_RGB24,
                                                   width, height, stride);
  } else {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    image_.data = reinterpret_cast<char*>(cairo_image_surface_get_data(surface_));
    image_.bytes_per_line = cairo_image_surface_get_stride(surface_);
  }
  if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS) XInitImage(&image_);
}

void SharedImage::MakeConverted(const PixelLayout& layout, int width, int height) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return;
  if (Shareable(display_) && Share(static_cast<size_t>(image_.bytes_per_line) * static_cast<size_t>(height))) {
    image_.data = shm_.shmaddr;
    image_.obdata = reinterpret_cast<char*>(&shm_);
  } else {
    // A Cairo image of the same bits a pixel holds them (its rows are padded alike);
    // without memory for it, its status is the surface's.
    const cairo_format_t holder = layout.bitsPerPixel <= 8    ? CAIRO_FORMAT_A8
                                  : layout.bitsPerPixel <= 16 ? CAIRO_FORMAT_RGB16_565
                                                              : CAIRO_FORMAT_RGB24;
    pixels_ = cairo_image_surface_create(holder, width, height);
    if (cairo_surface_status(pixels_) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface_);
      surface_ = cairo_surface_reference(pixels_);
      return;
    }
    image_.data = reinterpret_cast<char*>(cairo_image_surface_get_data(pixels_));
    image_.bytes_per_line = cairo_image_surface_get_stride(pixels_);
  }
  from_ = pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height,
                                   reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_)),
                                   cairo_image_surface_get_stride(surface_));
  to_ = pixman_image_create_bits(layout.format, width, height, reinterpret_cast<uint32_t*>(image_.data),
                                 image_.bytes_per_line);
  XInitImage(&image_);
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
  if (from_ != nullptr) pixman_image_unref(from_);
  if (to_ != nullptr) pixman_image_unref(to_);
  cairo_surface_destroy(surface_);
  cairo_surface_destroy(pixels_);
  if (shared_) {
    XShmDetach(display_, &shm_);
    XSync(display_, False);
    shmdt(shm_.shmaddr);
  }
}

void SharedImage::Show(const RECT& part) {
  const unsigned w = static_cast<unsigned>(part.right - part.left), h = static_cast<unsigned>(part.bottom - part.top);
  if (to_ != nullptr) {
    pixman_image_composite32(PIXMAN_OP_SRC, from_, nullptr, to_, part.left, part.top, 0, 0, part.left, part.top,
                             static_cast<int>(w), static_cast<int>(h));
  }
  if (shared_) {
    XShmPutImage(display_, window_, gc_, &image_, part.left, part.top, part.left, part.top, w, h, False);
  } else {
    XPutImage(display_, window_, gc_, &image_, part.left, part.top, part.left, part.top, w, h);
  }
}

}  // namespace x11
