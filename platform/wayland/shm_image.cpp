#include "platform/wayland/shm_image.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace wayland {

namespace {

RECT Union(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// The pieces as one rectangle once there are more than `most` of them.
void Bound(std::vector<RECT>* pieces, size_t most) {
  if (pieces->size() <= most) return;
  RECT all = pieces->front();
  for (const RECT& piece : *pieces) all = Union(all, piece);
  pieces->assign(1, all);
}

}  // namespace

ShmImage::ShmImage(wl_shm* shm, Backend::Surface* surface, int width, int height)
    : surface_(surface), width_(width) {
  image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(image_) != CAIRO_STATUS_SUCCESS) return;
  // Two buffers of Cairo's pixels (XRGB8888, as wl_shm names them) in one pool.
  const size_t stride = static_cast<size_t>(width) * 4;
  const size_t one = stride * static_cast<size_t>(height);
  const int fd = memfd_create("window-image", MFD_CLOEXEC);
  if (fd >= 0 && one <= static_cast<size_t>(INT32_MAX) / 2 && ftruncate(fd, static_cast<off_t>(2 * one)) == 0) {
    void* map = mmap(nullptr, 2 * one, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
      map_ = map;
      mapSize_ = 2 * one;
    }
  }
  if (map_ == nullptr) {
    if (fd >= 0) close(fd);
    cairo_surface_destroy(image_);
    image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, -1, -1);  // an error state: no memory
    return;
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(mapSize_));
  static const wl_buffer_listener kListener = {Released};
  for (int i = 0; i < 2; ++i) {
    Buffer& b = buffers_[i];
    b.image = this;
    b.pixels = static_cast<unsigned char*>(map_) + i * one;
    b.buffer = wl_shm_pool_create_buffer(pool, static_cast<int32_t>(i * one), width, height,
                                         static_cast<int32_t>(stride), WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(b.buffer, &kListener, &b);
  }
  // The buffers keep the pool's memory; the compositor has mapped it too. What they
  // show comes with the first ShowPieces: the window image shows itself whole when made.
  wl_shm_pool_destroy(pool);
  close(fd);
}

ShmImage::~ShmImage() {
  // A buffer the compositor still holds stays on the surface until the next commit.
  for (Buffer& b : buffers_)
    if (b.buffer != nullptr) wl_buffer_destroy(b.buffer);
  if (map_ != nullptr) munmap(map_, mapSize_);
  cairo_surface_destroy(image_);
}

void ShmImage::ShowPieces(const RECT&, const std::vector<RECT>& pieces) {
  if (map_ == nullptr) return;
  for (Buffer& b : buffers_) {
    b.stale.insert(b.stale.end(), pieces.begin(), pieces.end());
    Bound(&b.stale, kStaleMax);
  }
  damage_.insert(damage_.end(), pieces.begin(), pieces.end());
  Bound(&damage_, kDamageMax);
  Present();
}

// What was drawn goes into a buffer the compositor does not hold, and that buffer to
// the surface; with both held it waits for a release.
void ShmImage::Present() {
  if (damage_.empty()) return;
  Buffer* free = !buffers_[0].held ? &buffers_[0] : !buffers_[1].held ? &buffers_[1] : nullptr;
  if (free == nullptr) return;
  const unsigned char* from = cairo_image_surface_get_data(image_);
  const size_t fromStride = static_cast<size_t>(cairo_image_surface_get_stride(image_));
  const size_t toStride = static_cast<size_t>(width_) * 4;
  for (const RECT& part : free->stale) {
    const size_t bytes = static_cast<size_t>(part.right - part.left) * 4;
    for (LONG y = part.top; y < part.bottom; ++y)
      std::memcpy(free->pixels + static_cast<size_t>(y) * toStride + static_cast<size_t>(part.left) * 4,
                  from + static_cast<size_t>(y) * fromStride + static_cast<size_t>(part.left) * 4, bytes);
  }
  free->stale.clear();
  free->held = true;
  surface_->Present(free->buffer, damage_);
  damage_.clear();
}

void ShmImage::Released(void* data, wl_buffer*) {
  Buffer* b = static_cast<Buffer*>(data);
  b->held = false;
  b->image->Present();
}

}  // namespace wayland
