// The window side of quarnel's start-up: creates the application object of
// Qt, shows the main window and returns when it closes.
#pragma once

class CQuarnelApp;

// REQUIRES: called once, on the main thread, after the application's start-up.
int ShowQuarnelWindow(CQuarnelApp& app);
