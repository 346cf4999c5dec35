#include "case/FileNumber.h"
