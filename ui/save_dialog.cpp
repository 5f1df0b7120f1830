#include "ui/save_dialog.h"
