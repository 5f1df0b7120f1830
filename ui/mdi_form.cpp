#include "ui/mdi_form.h"
