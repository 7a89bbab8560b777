// A text source that reaches into the texture folder, which text does not
// declare. Text's include path must not find this file; the file itself
// includes exported headers only, so if it were found it would compile.
#include "texture/texture/Texture.cpp"
