#include "ui/form_add_images.h"
