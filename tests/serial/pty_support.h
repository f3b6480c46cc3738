#pragma once
// Real pseudo-terminals and a notification window the test pumps itself.

#include "line_pty.h"
#include "pumped_window.h"
#include "thread_count.h"
#include "under_wine.h"
