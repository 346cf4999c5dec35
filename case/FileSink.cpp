#include "case/FileSink.h"
