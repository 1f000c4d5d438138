#include "TReport.h"
