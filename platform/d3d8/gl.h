// OpenGL 3.3 core entry points used by the d3d8 stand-in.
#pragma once
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
