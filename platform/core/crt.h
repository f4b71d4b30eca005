// The C runtime's clock and generator as the program sees them away from Windows: time,
// srand and rand are routed to the stand-in platform, so tests can fix the second
// and the random numbers, and the generator is the Windows runtime's (15-bit results).
// Included after the standard headers, which would otherwise undo the routing.
#pragma once

#include <cstdlib>
#include <ctime>

extern "C" time_t CrtTime(time_t* out);
extern "C" void CrtSrand(unsigned seed);
extern "C" int CrtRand(void);

// The standard library names them as std::time, std::srand and std::rand too, in
// headers that may come after this one.
namespace std {
using ::CrtRand;
using ::CrtSrand;
using ::CrtTime;
}  // namespace std

#define time CrtTime
#define srand CrtSrand
#define rand CrtRand
