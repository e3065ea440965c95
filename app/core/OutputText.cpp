#include "OutputText.h"
