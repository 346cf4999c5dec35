#include "toolkit/Exception.h"
// Out-of-line anchor so the exception classes' type information lives here.
