#include "kestu_bbanimation.h"

#include <cstdlib>

void CAnimation::SetRandomPosition() { SetPosition(static_cast<float>(rand() % 1001) * 0.001f); }
