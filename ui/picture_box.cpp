#include "ui/picture_box.h"
