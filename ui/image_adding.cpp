#include "ui/image_adding.h"
