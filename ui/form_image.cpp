#include "ui/form_image.h"
