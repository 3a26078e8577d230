#include "WriterPly.h"
