// The five windows of the program, created once in their fixed order.
#pragma once

// Creates FormBoot, FormAdjust, FormQuit, AboutBox and StatusMonitorWindow, in that order,
// each once per process (a later call only creates a window that is missing). Only the start
// window is shown, by the caller.
void CreateWindows();
