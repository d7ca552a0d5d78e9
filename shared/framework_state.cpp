#include "shared/framework_state.h"

FrameworkStateRecord FrameworkState;
