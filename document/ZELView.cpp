#include "document/ZELView.h"

// Placeholder; the configuration view is being written.
