// COM start-up and object creation (ole32 stand-in declarations).
#pragma once
#include "unknwn.h"
