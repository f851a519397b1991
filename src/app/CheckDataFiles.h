#pragma once
// The files the checks of today read, as the main window keeps them: the top-sites list of the rank
// check and the web graph's ranks of the links check, each chosen once in an open dialog and
// remembered between sessions, and the graph's index built before a run, its pass shown in the status
// bar while the window goes on answering ("Стоп" stops it).

#include <QString>
#include <string>

#include "check/CheckEndpoints.h"

class QLabel;
class QWidget;

namespace vantle {

class CheckRunHost;
class ChecksMenu;

class CheckDataFiles {
public:
    // The dialogs open over window; the pass is shown in panel.
    CheckDataFiles(QWidget* window, ChecksMenu& checks, QLabel* panel);

    // Where the checks go, the files remembered taking the place of the ones endpoints name; the
    // checks are made anew.
    void Use(const CheckEndpoints& endpoints);
    const CheckEndpoints& Endpoints() const { return endpoints_; }

    // "Файл списка сайтов...".
    void ChooseTopList();
    // "Файл графа ссылок...": its index built at once when the links check is chosen, the window
    // showing the pass as a run through run.
    void ChooseGraphRanks(CheckRunHost& run);
    // The links check's index, built now when the check is chosen and the file has none yet; false
    // when "Стоп" stopped it. A file that cannot be used is told in a box when told is set.
    bool PrepareChosenGraph(CheckRunHost& run, bool told = false);

private:
    // The open dialog for a data file (filter, then all files), at current; "" when none was chosen.
    QString AskForDataFile(const QString& title, const QString& filter, const std::string& current);

    QWidget* window_;
    ChecksMenu& checks_;
    QLabel* panel_;
    CheckEndpoints endpoints_;
};

}  // namespace vantle
