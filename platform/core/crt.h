// The C runtime's clock and generator as the program sees them on this host: time,
// srand and rand are routed to the stand-in platform, so tests can fix the second
// and the random numbers, and the generator is the Windows runtime's (15-bit results).
// Included after the standard headers, which would otherwise undo the routing.
#pragma once

#include <cstdlib>
#include <ctime>

extern "C" time_t HostTime(time_t* out);
extern "C" void HostSrand(unsigned seed);
extern "C" int HostRand(void);

// The standard library names them as std::time, std::srand and std::rand too, in
// headers that may come after this one.
namespace std {
using ::HostRand;
using ::HostSrand;
using ::HostTime;
}  // namespace std

#define time HostTime
#define srand HostSrand
#define rand HostRand
