#include "WriterGltf.h"
