#pragma once
// The status bar's word that the bar and PageRank services are closed and where today's checks are:
// a label of its own that takes the free width and never widens the window (its tooltip has the whole
// text when it is cut). It stays until the user acts on the checks or runs.

class QLabel;
class QStatusBar;

namespace vantle {

class RetiredHint {
public:
    explicit RetiredHint(QStatusBar* bar) : bar_(bar) {}

    void Show();
    void Forget();

private:
    QStatusBar* bar_;
    QLabel* label_ = nullptr;
};

}  // namespace vantle
