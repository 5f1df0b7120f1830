#include "ui/form_setup.h"
