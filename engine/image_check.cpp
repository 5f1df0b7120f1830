#include "engine/image_check.h"
