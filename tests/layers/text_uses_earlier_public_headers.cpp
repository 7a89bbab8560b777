// A text source may include the exported headers of the folders before it
// (2DCore's paper, the textures) without declaring them in USES.
#include "kestu_paper.h"
#include "kestu_textdevice3d.h"
#include "kestu_texture.h"
