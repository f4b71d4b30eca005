// The explorer for a front end: where it begins, its loop in an outer window, the
// picture of a view drawn again (for a saved copy), the names saved pictures take and
// the options that draw a view again with --picture.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "driver/options.h"
#include "explorer/explorer.h"
#include "platform/win32.h"

namespace driver {

// Where the explorer begins for these options: --triangle, else --time's triangle,
// else the current second's, at --step.
explorer::Start ExplorerStart(const Options& options);
// Where it begins from the saver: on the triangle its screen shows, if it shows one
// (TriangleShown), else on a new random one; with every construction that is on.
explorer::Start ExplorerStartFromSaver(const Options& options);

// The explorer in `outer` until it ends (explorer::Run): 0, or -1 when its window
// could not be made; and the picture of `view` in the explorer's `window`, drawn again
// as its paint draws it (explorer::DrawView).
int RunExplorer(HWND outer, const explorer::Start& start, explorer::Save save);
void DrawExplorerView(HWND window, const explorer::View& view);

// The name of a picture the explorer saves at `now`, without its extension:
// dreieck-YYYYMMDD-HHMMSS in the local time zone, then -2, -3, ... (up to -999) while
// `taken` says the name is taken.
std::string SaveStem(time_t now, const std::function<bool(const std::string& stem)>& taken);

// The options that draw `view` again with --picture at width x height and K device
// pixels a side for each pixel: "--size WxH --triangle ... --step N", then "--scale K"
// when K is not 1, the constructions that are off and a background that is not the
// default.
std::string PictureOptions(const explorer::View& view, int width, int height, int scale = 1);

}  // namespace driver
