#include "app/framework_state.h"

FrameworkStateRecord FrameworkState;
