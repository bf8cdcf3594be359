#pragma once

// Moved to tests/support; kept until the last users include the support headers.
#include "support/local_time.h"
#include "support/scratch_folder.h"
