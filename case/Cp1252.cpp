#include "case/Cp1252.h"
