// The process-wide view state, with its start-up values.
#include "view_state.h"

ViewState viewState;
