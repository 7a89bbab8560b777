// The smoke-and-embers effect of the particle sample.
#pragma once

// Runs smoke puffs drawn by the billboard method (sorted far to near, blended)
// and embers handed by their billboard method to a billboard manager (added
// onto the frame) for three seconds, under a camera looking down on them, and
// saves the last frame as a PNG: 0, or 1 on a failure.
int RunSmoke(const char* png);
