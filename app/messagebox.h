#pragma once

#include <QString>

class QWidget;

namespace zem {

// The application title, shown on every message the program gives.
QString applicationTitle();

// The program's one kind of message: modal, titled with the application title, OK only, no icon.
void showMessage(QWidget *parent, const QString &text);

} // namespace zem
