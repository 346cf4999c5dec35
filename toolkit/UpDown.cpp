#include "toolkit/Toolkit.h"
