// The seam between the core and what stands in for the machine under test: the knobs
// that a real platform takes from the machine (the screen's size, the extent of text,
// random numbers), the failures a test makes happen, and the user a test scripts. The
// core reads the knobs; the test controls (testing.h) turn them; the recording backend
// (platform/record) plays the screen and the user with them and asks the core nothing
// more than this header offers.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "platform/core/backend.h"

namespace core {

struct Knobs {
  int displayWidth = 1024;           // GetDeviceCaps HORZRES / VERTRES, without a screen
  int displayHeight = 768;
  int textPerByte = 6;               // the extent of text, without a canvas
  int textHeight = 10;
  bool failObjectCreation = false;   // CreatePen and CreateFontA give null
  bool failDeviceContexts = false;   // GetDC gives null
  bool failNextMessage = false;      // the next GetMessageA gives -1
  std::function<void()> idle;        // plays the user when the queue runs dry
  std::deque<int> randomQueue;       // what rand() returns first
};
// The knobs as they are now; Reset() turns them back.
Knobs& TheKnobs();

// What the recording backend asks of the message queue when it runs dry: how many
// messages wait, and whether the quit message does.
size_t QueuedMessages();
bool QuitPosted();

// The core's loud end of what it does not support: one line on stderr, then abort.
[[noreturn]] void Unsupported(const std::string& what);

// The backend the core has when none is installed.
Backend* RecordingBackend();

}  // namespace core
