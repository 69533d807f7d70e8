#include "engine/AVConverter.h"

// Opening and probing one input file; filled in with the pipeline.
void TAVConverter::OpenInputFile(int /*index*/) {}
