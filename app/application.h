#pragma once

#include <QApplication>

#include <memory>

namespace zem {

class frmMain;

// Qt's application object. Where no window system can be reached, Qt would abort with advice about
// reinstalling; the program says what happened in one plain line instead and exits with status 1.
std::unique_ptr<QApplication> startApplication(int &argc, char **argv);

// What the program carries about itself: its title for messages, its version, its icon.
void initApplication();

// SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C) close the window as its close box does: queued
// output gets the same bounded wait, and the port is closed and its lock released before the end.
void closeOnSignals(frmMain *window);

} // namespace zem
