#pragma once
// Real pseudo-terminals and a notification window the test pumps itself.

#include "line_pty.h"
#include "process_info.h"
#include "pumped_window.h"
