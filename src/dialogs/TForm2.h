#pragma once
// The entry dialog: its list box Memo1 is the domain list itself. The text stays in the dialog after
// it closes; the list import replaces it, the check run reads it line by line.
//
// The list's lines are the text's lines (separated by "\n"): word wrap only changes the display, a
// long line is never split into two domains. A last empty line is not counted.
//
// A list too long for the box (more than kViewLines lines or kViewChars characters, or a line longer than
// kLongestListLine, which no domain is) is shown read-only in a list view instead, one row a line; the
// "Редактировать" button above it puts the list into the box on demand, unless a line is too long for
// it. Everything else the dialog does is the same in both modes, but Enter, which the box takes as a
// line break, does nothing in the view.

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "dialogs/ListLines.h"

class QEvent;
class QKeyEvent;
class QLabel;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class QWidget;

namespace vantle {

class ListHandOver;
class ListLinesModel;

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(ListHandOver& mainWindow, QWidget* parent = nullptr);

    // A list of at least this many lines set while the dialog is hidden goes into the list box only
    // when the dialog is shown: the box takes about 3 µs a line to fill, so a million-line import
    // would otherwise stall for seconds before the list is even looked at.
    static constexpr int kDeferredLines = 10000;
    // A list of more lines or characters than these is shown read-only, whenever it is set: the box
    // would take seconds to fill, and a line of megabytes would take it minutes to lay out.
    static constexpr int kViewLines = 50000;
    static constexpr qsizetype kViewChars = 4000000;

    // The domain list. LineCount is O(1) in the list size and Line(i) O(log n): the check run asks for
    // both once per domain of lists of a million lines.
    int LineCount() const;
    // Windows-1251 bytes of line i (0-based); an index outside the list reads as an empty line.
    std::string Line(int i) const;
    // The whole list as Windows-1251 bytes, lines ending in LF.
    std::string ListBytes() const;
    // Replaces the whole text (Windows-1251 bytes, lines separated by "\n"); an equal text leaves the
    // box alone. A change runs Memo1Change like any other.
    void SetListText(const std::string& cp1251Text);
    QString ListText() const;

    // True while the list is shown in the read-only view instead of the box.
    bool ReadOnlyView() const;

    // 0 right after the dialog is shown, 1 after any change of the list or "Очистить".
    int ListEdited() const { return listEdited_; }

    // The dialog's handlers, each the one place of its behaviour.
    void FormShow();
    void Memo1Change();
    // Key presses in the list box; true when the key was handled here.
    bool Memo1KeyDown(QKeyEvent* event);
    void Button1Click();  // "На проверку": the hand-over
    void Button2Click();  // "Очистить"
    void Button3Click();  // "Отмена"
    void Button4Click();  // "Редактировать": the list from the read-only view into the box

    // "Убрать повторы": the lines whose domain repeats an earlier line's go, and a box says how many.
    void ButtonRepeatsClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class HotKey { None, CheckList, Cancel, Clear };

    void CreateControls();
    // "Убрать повторы" sits in a strip at the foot of the list box.
    static constexpr int kRepeatsStrip = 24;
    void CreateRepeatsButton();
    void SetCaptions();
    void SetTabOrder();
    void WatchKeys();
    static HotKey HotKeyOf(const QKeyEvent& event);
    void WMHotKey(HotKey hotKey);
    // Sets the list, in the box or held for the view or for later, as its length asks.
    void SetList(const QString& text);
    void SetMemoText(const QString& text);
    // Holds the list beside the box; Memo1 is emptied quietly and Memo1Change runs for the change.
    void HoldList(ListLines lines);
    // A paste or drop that would leave the box a list too long for it: the list goes to the view.
    bool TakeLongInsert(const QString& text);
    // Puts a held list into the list box.
    void FillListBox();
    // Ctrl+Z in an empty box with nothing left to undo: the list "Очистить" took, back as it was.
    bool UndoClear();
    // Shows the box or the read-only view, whichever holds the list.
    void ShowMode();
    bool ListIsEmpty() const;
    // Characters of the list, line ends included.
    qsizetype ListLength() const;

    ListHandOver& mainWindow_;
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* ButtonRepeats = nullptr;
    QLabel* Label1 = nullptr;
    QWidget* Panel2 = nullptr;  // above the read-only view: what it is, and "Редактировать"
    QLabel* Label2 = nullptr;
    QPushButton* Button4 = nullptr;
    QListView* ListView1 = nullptr;
    ListLinesModel* lineModel_ = nullptr;
    QString Memo2;  // the snapshot: the list as it was when the dialog was last shown
    int listEdited_ = 0;
    // The list while it is not in Memo1 (Memo1 is empty meanwhile): waiting for the dialog to be
    // shown, or shown in the read-only view.
    std::optional<ListLines> held_;
    // The long list that "Очистить" took from the read-only view, for Ctrl+Z.
    std::optional<ListLines> cleared_;
};

}  // namespace vantle
