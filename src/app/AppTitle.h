#pragma once
// How the application names itself in its standard error box.

#include <QString>

namespace vantle {

// The program file's name up to its first dot, the first letter capitalised and every other letter
// in lower case: "vantle-demo" gives "Vantle-demo".
QString ApplicationTitle(const QString& programFilePath);
QString ApplicationTitle();

// The error box's text: the message with a full stop added when its last character sorts after ".".
QString ErrorBoxText(const QString& message);

}  // namespace vantle
