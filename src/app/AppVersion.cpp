#include "app/AppVersion.h"
