// What particle groups do to the process-wide free list.
#pragma once

// Each particle group registers as a user of the free list while it lives;
// the first makes the list, the last to go empties it.
void RegisterParticleUser();
void UnregisterParticleUser();
