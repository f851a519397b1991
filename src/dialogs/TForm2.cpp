#include "dialogs/TForm2.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "check/CleanDomainLine.h"
#include "dialogs/ListHandOver.h"
#include "dialogs/ListLinesModel.h"
#include "dialogs/QtText.h"

namespace vantle {
namespace {

constexpr int kClientWidth = 394;
constexpr int kClientHeight = 339;
constexpr int kPanelHeight = 51;
constexpr int kViewBarHeight = 27;

// The list box. Pasted or dropped text keeps its line separators (U+2028) as line ends: the box would
// show one as a break inside a line, which would look like two domains and be one. takeInsert may take
// the text instead of the box.
class ListBox : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    // Room under the text for a row of buttons.
    void KeepBottomFree(int height) { setViewportMargins(0, 0, 0, height); }

    std::function<bool(const QString&)> takeInsert;

protected:
    void insertFromMimeData(const QMimeData* source) override {
        if (source == nullptr || !source->hasText()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        QString text = source->text();
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        if (takeInsert && takeInsert(text)) {
            return;
        }
        textCursor().insertText(text);
        ensureCursorVisible();
    }
};

// Rows of the read-only view as wide as the view and no wider: a long line is elided at its end, as
// the box would wrap it, without a scroll bar across.
class ViewWideRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {0, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

bool NeedsView(const ListLines& lines) {
    return lines.LineCount() > TForm2::kViewLines || lines.Text().size() > TForm2::kViewChars ||
           lines.LongestLine() > static_cast<qsizetype>(kLongestListLine);
}

bool FitsTheBox(const ListLines& lines) {
    return lines.LongestLine() <= static_cast<qsizetype>(kLongestListLine);
}

// The letter on the A key of the Russian layout: with that layout active the key reports it, not A.
constexpr int kKeyCyrillicEf = 0x0424;
// And the one on the Z key.
constexpr int kKeyCyrillicYa = 0x042F;

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The modifiers that a user holds on purpose: the keypad flag and the layout group are not chords.
Qt::KeyboardModifiers HeldModifiers(const QKeyEvent& event) {
    return event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
}

}  // namespace

TForm2::TForm2(ListHandOver& mainWindow, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    CreateControls();
    SetCaptions();
    SetTabOrder();
    WatchKeys();
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TForm2::Memo1Change);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
    static_cast<ListBox*>(Memo1)->takeInsert = [this](const QString& text) { return TakeLongInsert(text); };
    ShowMode();
}

void TForm2::CreateControls() {
    Memo1 = new ListBox(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, kClientWidth, kClientHeight - kPanelHeight);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);  // domains have no blanks

    // The read-only view, in the box's place.
    auto* bar = new QFrame(this);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2 = bar;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 0, kClientWidth, kViewBarHeight);
    Label2 = new QLabel(Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 5, 272, 17);
    Button4 = MakeButton(Panel2, "Button4", QRect(288, 1, 97, 25));
    lineModel_ = new ListLinesModel(this);
    ListView1 = new QListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(0, kViewBarHeight, kClientWidth, kClientHeight - kPanelHeight - kViewBarHeight);
    ListView1->setUniformItemSizes(true);  // a million rows are laid out without asking each its size
    ListView1->setItemDelegate(new ViewWideRows(ListView1));
    ListView1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(lineModel_);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1 = panel;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, kClientHeight - kPanelHeight, kClientWidth, kPanelHeight);

    Button2 = MakeButton(Panel1, "Button2", QRect(88, 16, 81, 25));
    Button1 = MakeButton(Panel1, "Button1", QRect(288, 8, 97, 33));
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 20, 57, 17);
    QFont labelFont = Label1->font();
    labelFont.setPixelSize(13);
    Label1->setFont(labelFont);
    Button3 = MakeButton(Panel1, "Button3", QRect(200, 16, 81, 25));

    Button1->setEnabled(false);
    Button2->setEnabled(false);
    static_cast<ListBox*>(Memo1)->KeepBottomFree(kRepeatsStrip);
    CreateRepeatsButton();
}

void TForm2::SetCaptions() {
    setWindowTitle(QStringLiteral("Добавить [Один домен - одна строка]..."));
    Button1->setText(QStringLiteral("На проверку"));
    Button1->setToolTip(QStringLiteral("(Ctrl + Enter)"));
    Button2->setText(QStringLiteral("Очистить"));
    Button2->setToolTip(QStringLiteral("(F6)"));
    Button3->setText(QStringLiteral("Отмена"));
    Button3->setToolTip(QStringLiteral("(Esc)"));
    Button4->setText(QStringLiteral("Редактировать"));
}

void TForm2::SetTabOrder() {
    setTabOrder(Button4, ListView1);
    setTabOrder(ListView1, Memo1);
    setTabOrder(Memo1, Button2);
    setTabOrder(Button2, Button1);
    setTabOrder(Button1, Button3);
}

// The hot keys are caught before any widget sees them: a focused push button would take
// Ctrl+Enter as its own click, the list box would take it as a line break, and the dialog would
// take Esc as a close that skips the restore of "Отмена".
void TForm2::WatchKeys() {
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

// --- the domain list -----------------------------------------------------------------------------

int TForm2::LineCount() const {
    if (held_) {
        return held_->LineCount();
    }
    const QTextDocument* document = Memo1->document();
    const int blocks = document->blockCount();
    const bool lastLineEmpty = document->lastBlock().length() <= 1;  // the length counts its separator
    return lastLineEmpty ? blocks - 1 : blocks;
}

std::string TForm2::Line(int i) const {
    if (held_) {
        return ToCp1251Keeping(held_->Block(i));
    }
    const QTextBlock block = Memo1->document()->findBlockByNumber(i);
    return block.isValid() ? ToCp1251Keeping(block.text()) : std::string();
}

void TForm2::SetListText(const std::string& cp1251Text) {
    cleared_.reset();
    SetList(FromCp1251(cp1251Text));
}

std::string TForm2::ListBytes() const {
    return ToCp1251Keeping(ListText());
}

QString TForm2::ListText() const {
    if (held_) {
        return held_->Text();
    }
    // The raw text, not toPlainText(): that one turns a no-break space into a blank.
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

bool TForm2::ReadOnlyView() const {
    return held_ && NeedsView(*held_);
}

qsizetype TForm2::ListLength() const {
    return held_ ? held_->Text().size() : Memo1->document()->characterCount() - 1;
}

bool TForm2::ListIsEmpty() const {
    return held_ ? held_->Text().isEmpty() : Memo1->document()->isEmpty();
}

void TForm2::SetList(const QString& text) {
    ListLines lines(text);
    if (NeedsView(lines) || (!isVisible() && lines.BlockCount() - 1 >= kDeferredLines)) {
        HoldList(std::move(lines));
    } else {
        SetMemoText(lines.Text());
    }
}

void TForm2::SetMemoText(const QString& text) {
    if (ListLength() == text.size() && text == ListText()) {
        return;
    }
    if (held_) {
        lineModel_->SetLines(nullptr);
        held_.reset();
        ShowMode();
    }
    Memo1->setPlainText(text);
}

void TForm2::HoldList(ListLines lines) {
    if (ListLength() == lines.Text().size() && lines.Text() == ListText()) {
        return;
    }
    {
        const QSignalBlocker quiet(Memo1);
        Memo1->clear();
    }
    lineModel_->SetLines(nullptr);
    held_.emplace(std::move(lines));
    lineModel_->SetLines(&*held_);
    ShowMode();
    Memo1Change();
}

// Only a long insert can make the list too long for the box; a short one goes in as typed.
bool TForm2::TakeLongInsert(const QString& text) {
    if (text.size() <= static_cast<qsizetype>(kLongestListLine)) {
        return false;
    }
    const QTextCursor cursor = Memo1->textCursor();
    QString list = ListText();  // a document position is a place in this text: one character a line end
    list.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), text);
    ListLines lines(list);
    if (!NeedsView(lines)) {
        return false;
    }
    HoldList(std::move(lines));
    ListView1->setFocus();
    return true;
}

void TForm2::FillListBox() {
    if (!held_) {
        return;
    }
    const QString text = held_->Text();
    lineModel_->SetLines(nullptr);
    held_.reset();
    const QSignalBlocker quiet(Memo1);  // the list does not change, it only goes into the box
    Memo1->setPlainText(text);
    ShowMode();
}

void TForm2::ShowMode() {
    const bool view = ReadOnlyView();
    if (view) {
        const bool fits = FitsTheBox(*held_);
        Label2->setText(fits ? QStringLiteral("Длинный список: только просмотр")
                             : QStringLiteral("Длинная строка: только просмотр"));
        Button4->setEnabled(fits);
        Button4->setToolTip(
            fits ? QStringLiteral("Открыть список для правки (может занять несколько секунд)")
                 : QStringLiteral(
                       "В списке строка длиннее %1 символов: это не домен, и для правки её не открыть")
                       .arg(kLongestListLine));
    }
    Memo1->setVisible(!view);
    Panel2->setVisible(view);
    ListView1->setVisible(view);
}

// --- handlers ------------------------------------------------------------------------------------

void TForm2::showEvent(QShowEvent* event) {
    if (held_ && !ReadOnlyView()) {
        FillListBox();
    }
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm2::FormShow() {
    if (ReadOnlyView()) {
        ListView1->setFocus();
    } else {
        Memo1->setFocus();
    }
    listEdited_ = 0;
    cleared_.reset();
    Memo2 = ListText();
}

void TForm2::Memo1Change() {
    const int count = LineCount();
    Label1->setText(QString::number(count));
    listEdited_ = 1;
    Button2->setEnabled(count >= 1);
    Button1->setEnabled(count >= 1);
}

bool TForm2::Memo1KeyDown(QKeyEvent* event) {
    const Qt::KeyboardModifiers held = HeldModifiers(*event);
    if ((held & Qt::ControlModifier) && (event->key() == Qt::Key_A || event->key() == kKeyCyrillicEf)) {
        Memo1->selectAll();
        return true;
    }
    // Shift+Enter would put a soft break inside one line: it would look like two domains and be one.
    if (IsEnterKey(event->key()) && held == Qt::ShiftModifier) {
        Memo1->textCursor().insertBlock();
        return true;
    }
    if (event->matches(QKeySequence::Undo) ||
        (held == Qt::ControlModifier && event->key() == kKeyCyrillicYa)) {
        return UndoClear();
    }
    return false;
}

bool TForm2::UndoClear() {
    if (!cleared_ || Memo1->document()->isUndoAvailable() || !ListIsEmpty()) {
        return false;
    }
    const QString text = cleared_->Text();
    cleared_.reset();
    SetList(text);
    if (ReadOnlyView()) {
        ListView1->setFocus();
    }
    return true;
}

void TForm2::Button1Click() {
    if (!mainWindow_.MayReplaceRows()) {
        return;
    }
    mainWindow_.HandOver(LineCount());
    accept();
}

void TForm2::Button2Click() {
    if (held_) {
        lineModel_->SetLines(nullptr);
        cleared_ = std::move(held_);
        held_.reset();
        ShowMode();
        Memo1->clear();
    } else {
        // One step that Ctrl+Z takes back, where clear() would forget the box's undo.
        cleared_.reset();
        QTextCursor all(Memo1->document());
        all.select(QTextCursor::Document);
        all.removeSelectedText();
    }
    listEdited_ = 1;
    Label1->setText(QStringLiteral("0"));
    Memo1->setFocus();
    Button2->setEnabled(false);
    Button1->setEnabled(false);
}

void TForm2::Button3Click() {
    if (ListIsEmpty() || listEdited_ > 0) {
        SetList(Memo2);
    }
    reject();
}

void TForm2::Button4Click() {
    if (!held_ || !FitsTheBox(*held_)) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FillListBox();
    QApplication::restoreOverrideCursor();
    Memo1->setFocus();
}

// --- hot keys ------------------------------------------------------------------------------------

TForm2::HotKey TForm2::HotKeyOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers held = HeldModifiers(event);
    if (IsEnterKey(event.key())) {
        return held == Qt::ControlModifier ? HotKey::CheckList : HotKey::None;
    }
    if (event.key() == Qt::Key_Escape) {
        return held == Qt::NoModifier ? HotKey::Cancel : HotKey::None;
    }
    if (event.key() == Qt::Key_F6) {
        return held == Qt::NoModifier ? HotKey::Clear : HotKey::None;
    }
    return HotKey::None;
}

void TForm2::WMHotKey(HotKey hotKey) {
    if (!isActiveWindow()) {
        return;
    }
    QPushButton* button = hotKey == HotKey::CheckList ? Button1
                          : hotKey == HotKey::Cancel  ? Button3
                          : hotKey == HotKey::Clear   ? Button2
                                                      : nullptr;
    if (button != nullptr && button->isEnabled()) {
        button->click();
    }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (const HotKey hotKey = HotKeyOf(*key); hotKey != HotKey::None) {
        // Accepting the override keeps the key from every shortcut; the press itself is ours.
        if (type == QEvent::KeyPress) {
            WMHotKey(hotKey);
        }
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress && watched == Memo1 && Memo1KeyDown(key)) {
        return true;
    }
    // The view has no use for Enter; let through, it would press the dialog's default button.
    if (type == QEvent::KeyPress && watched == ListView1 && IsEnterKey(key->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vantle
