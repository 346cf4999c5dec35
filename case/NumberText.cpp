#include "case/NumberText.h"
