#include "WriterStl.h"
