#pragma once
// Qt's own texts (message box buttons, file dialogs) in Russian, whatever the system's locale: the whole
// interface speaks one language.

class QCoreApplication;

namespace vantle {

// Loads Qt's Russian translation into app; false when it is not installed (the texts stay English).
bool InstallRussianQtTexts(QCoreApplication& app);

}  // namespace vantle
