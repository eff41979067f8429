#pragma once
// The test application's stand-in for the console's top-level error handler:
// errors that escape an event handler are caught in notify() and kept here.
#include <QStringList>

QStringList& RaisedErrors();
