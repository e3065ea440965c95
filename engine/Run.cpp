#include "Run.h"
// Written with the report; see Run.h.
