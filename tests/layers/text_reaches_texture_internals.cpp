// A text source that reaches into the texture folder's private headers,
// which text does not declare. Text's include path must not find this header.
#include "texture/TextureSection.h"
