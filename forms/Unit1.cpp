#include "forms/Unit1.h"
