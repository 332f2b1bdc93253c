#pragma once

namespace zem {

class frmMain;

// What the program carries about itself: its title for messages, its version, its icon.
void initApplication();

// SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C) close the window as its close box does: queued
// output gets the same bounded wait, and the port is closed and its lock released before the end.
void closeOnSignals(frmMain *window);

} // namespace zem
