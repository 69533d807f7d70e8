#include "engine/AVConverter.h"

// Creating one output file and its streams; filled in with the pipeline.
void TAVConverter::OpenOutputFile(int /*index*/) {}
