#include "case/CaseFile.h"
