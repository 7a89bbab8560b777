// The fire-and-sparks effect of the particle sample.
#pragma once

// Writes the effect as a particle script with the engine's writer: 0, or 1
// when the file cannot be written.
int WriteFireScript(const char* path);
// Loads the effect from a particle script, runs it for two and a half
// seconds and saves the last frame as a PNG: 0, or 1 on a failure.
int RunFire(const char* script, const char* png);
