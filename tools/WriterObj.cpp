#include "WriterObj.h"
