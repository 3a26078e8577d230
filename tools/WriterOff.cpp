#include "WriterOff.h"
