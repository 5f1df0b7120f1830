#include "ui/form_about.h"
