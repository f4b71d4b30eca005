// What the parts of the Wayland backend share: an output as the compositor describes
// it, and a surface of ours with its roles, size and scale.
#pragma once

#include <wayland-client.h>

#include <vector>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/wayland/backend.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace wayland {

// The scale a compositor gives is counted in 120ths, as wp_fractional_scale_v1 gives
// it: 120 is 1, 180 is 1.5.
constexpr int kScaleUnit = 120;

// A side in surface coordinates at a scale in 120ths, in device pixels: rounded
// halfway away from zero, as wp_fractional_scale_v1 rounds a toplevel's size.
inline int DeviceSide(int side, int scale) {
  return static_cast<int>((int64_t{side} * scale + kScaleUnit / 2) / kScaleUnit);
}

struct Backend::Output {
  Backend* backend = nullptr;
  uint32_t global = 0;  // its name in the registry
  wl_output* output = nullptr;
  std::string name;     // the connector's, e.g. HEADLESS-1 (version 4)
  // What the last done event completed: the current mode in device pixels (before the
  // transform), the transform and the whole scale.
  int32_t width = 0, height = 0;
  int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
  int32_t scale = 1;
  // What has come since the last done event.
  int32_t pendingWidth = 0, pendingHeight = 0, pendingTransform = WL_OUTPUT_TRANSFORM_NORMAL, pendingScale = 1;
  bool done = false;  // described at least once
  Surface* cover = nullptr;  // the surface covering it, while we cover the outputs

  // Its size in device pixels as it shows them (turned a quarter: the other way).
  SIZE Device() const {
    const bool turned = (transform & 1) != 0;
    return {turned ? height : width, turned ? width : height};
  }
};

struct Backend::Surface {
  Backend* backend = nullptr;
  wl_surface* surface = nullptr;
  // Its role: a toplevel (xdg), or a layer surface.
  xdg_surface* xdg = nullptr;
  xdg_toplevel* toplevel = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  // Present where the compositor offers fractional scales with viewports.
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fractional = nullptr;

  Output* covers = nullptr;      // the output it covers, or null for a window of its own
  std::vector<Output*> entered;  // the outputs it is shown on
  bool hidePointer = false;      // the pointer is hidden over it
  bool screenIsOuter = false;    // its programs' screen is the window itself
  bool fullscreen = false;

  // Its size in surface coordinates as the compositor configured it (0 before), and
  // the size a toplevel configure proposes until its xdg_surface.configure.
  int width = 0, height = 0;
  int proposedWidth = 0, proposedHeight = 0;
  // The fractional scale the compositor prefers (0 before it said one), and the scale
  // in use, both in 120ths.
  int preferredScale = 0;
  int scale = kScaleUnit;
  // A configure to acknowledge with the next commit.
  uint32_t ackSerial = 0;
  bool ackPending = false;
  bool configured = false;
  HWND outer = nullptr;

  // Its size in device pixels.
  SIZE Device() const { return {DeviceSide(width, scale), DeviceSide(height, scale)}; }
  // Acknowledges the configure that waits, if any.
  void Acknowledge();
  // Shows `buffer` (of the surface's device size) with its parts `damage` (in its
  // pixels) drawn anew, in one commit with the configure that waits.
  void Present(wl_buffer* buffer, const std::vector<RECT>& damage);
};

}  // namespace wayland
