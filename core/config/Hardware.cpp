#include "kestu_config.h"

constinit SHardware hardware;

SHardware& SHardware::operator=(const SHardware&) = default;
