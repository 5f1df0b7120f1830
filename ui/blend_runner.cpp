#include "ui/blend_runner.h"
