#include "forms/Unit2.h"
