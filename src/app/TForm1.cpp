#include "app/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "FWURLPosition/FetchURL.h"
#include "app/AppTitle.h"
#include "app/CellEdits.h"
#include "app/CheckDataFiles.h"
#include "app/ChecksMenu.h"
#include "app/ClickWatch.h"
#include "app/DomainTableModel.h"
#include "app/GridDelegate.h"
#include "app/ResultsFile.h"
#include "app/RetiredHint.h"
#include "app/SaveDialog.h"
#include "app/SaveFormat.h"
#include "app/SaveQuestion.h"
#include "app/TableControls.h"
#include "app/WindowJournal.h"
#include "app/WindowRunHost.h"
#include "catalog/CheckCatalog.h"
#include "check/Texts.h"
#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "http/HttpClient.h"
#include "io/ListFile.h"
#include "io/ListSheet.h"
#include "puny/DomainName.h"

namespace vantle {

namespace {

constexpr int kRowHeight = 18;
const int kColumnWidths[] = {231, 89, 137, 69};
const char kCreditAddress[] = "https://vantle.example/";
const char kSplitterAddress[] = "https://vantle.example/splitter";

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    return button;
}

QAction* MakeAction(QObject* parent, const char* name, const QString& caption, const QKeySequence& keys) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    return action;
}

}  // namespace

std::function<void(const QUrl&)>& TForm1::UrlOpener() {
    static std::function<void(const QUrl&)> opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

TForm1::TForm1(ServiceHosts hosts, std::unique_ptr<HttpGetter> http, RankFetcher rankFetch, QWidget* parent)
    : QMainWindow(parent), hosts_(std::move(hosts)), IdHTTP1(std::move(http)) {
    if (!IdHTTP1) {
        IdHTTP1 = std::make_unique<HttpClient>();
    }
    if (!rankFetch) {
        rankFetch = DirectFetcher(hosts_);
    }
    setWindowTitle(QStringLiteral("Vantle"));
    resize(566, 542);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(BuildTopPanel());
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(17);
    ProgressBar1->setRange(0, 0);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    column->addWidget(ProgressBar1);
    BuildGrid();
    column->addWidget(table_->FilterEdit());
    column->addWidget(RzStringGrid1, 1);
    column->addWidget(BuildBottomRow());
    columns_ = std::make_unique<ColumnLayout>(*model_, *RzStringGrid1, *checks_, *edits_);
    setCentralWidget(central);
    BuildStatusBar();
    retiredHint_ = std::make_unique<RetiredHint>(statusBar());
    BuildHiddenMenu();
    BuildPopupMenu();
    SetTabOrder();
    FormCreate();
    ShowBarColumns();

    form2_ = new TForm2(*this, this);
    files_ = std::make_unique<CheckDataFiles>(this, *checks_, panels_[2]);
    const auto runStateChanged = [this] {
        // The list file and the checks stay as they are while anything runs, a recheck included.
        const bool idle = engine_->State() == RunState::Idle;
        checks_->ListFileItem()->setEnabled(idle);
        checks_->DnsRateItem()->setEnabled(idle);
        OpenResults1->setEnabled(idle);
    };
    host_ = std::make_unique<WindowRunHost>(
        WindowRunHost::Parts{.window = this,
                             .list = form2_,
                             .model = model_,
                             .grid = RzStringGrid1,
                             .table = table_,
                             .panels = {panels_[0], panels_[1], panels_[2]},
                             .standing = standing_,
                             .progress = ProgressBar1,
                             .threshold = Edit1,
                             .rate = ComboBox1,
                             .parallel = SpinEdit1,
                             .resumeFlag = Label2,
                             .start = Button2,
                             .stop = Button3,
                             .yaPages = CheckBox1,
                             .pageRank = CheckBox2,
                             .listCommands = {Button1, Button4, CheckBox1, CheckBox2},
                             .startItem = N6,
                             .csv = csv1,
                             .checks = checks_.get(),
                             .columns = columns_.get(),
                             .endpoints = &files_->Endpoints()},
        WindowRunHost::Hooks{.rowWritten = [this](int row, int line) { RowWritten(row, line); },
                             .stateChanged = runStateChanged,
                             .csvChanged = [this] { PopupMenu1Popup(); }});
    engine_ = std::make_unique<CheckRun>(*host_, *IdHTTP1, hosts_, std::move(rankFetch));
    journal_ = std::make_unique<WindowJournal>(*model_, *checks_, *form2_, *statusBar());
    question_ = std::make_unique<SaveQuestion>(this, *journal_, [this] { return SaveWithDialog(); });
    UseCheckEndpoints(CheckEndpoints{});
    host_->SetCsvEnabled(false);
    LoadSettings();
    SaveSettingsOnChange();
}

// A cell editor still open hands its text over as the grid goes, after the journal has gone: the
// edit then only reaches the model, never this half-destroyed window.
TForm1::~TForm1() {
    model_->SetEditor({});
}

QWidget* TForm1::BuildTopPanel() {
    auto* panel2 = new QWidget(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setFixedHeight(57);
    auto* rows = new QVBoxLayout(panel2);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);

    Panel1 = new QFrame(panel2);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(17);
    Panel1->setCursor(Qt::PointingHandCursor);
    auto* credit =
        new QLabel(QStringLiteral("Vantle: ТИЦ, зеркала, каталог и PageRank для списка доменов"), Panel1);
    QFont bold = credit->font();
    bold.setBold(true);
    credit->setFont(bold);
    credit->setAlignment(Qt::AlignCenter);
    auto* creditLayout = new QHBoxLayout(Panel1);
    creditLayout->setContentsMargins(0, 0, 0, 0);
    creditLayout->addWidget(credit);
    new ClickWatch(
        Panel1, [this] { Panel1Click(); }, true);
    credit->setAttribute(Qt::WA_TransparentForMouseEvents);
    rows->addWidget(Panel1);

    auto* commands = new QHBoxLayout();
    commands->setContentsMargins(13, 5, 13, 4);
    commands->setSpacing(0);
    Button1 = MakeButton(panel2, "Button1", QString(), QString());
    Button1->setMinimumSize(145, 30);
    Button1->setFixedHeight(30);
    Button4 = MakeButton(panel2, "Button4", QString(), QString());
    Button4->setMinimumSize(145, 30);
    Button4->setFixedHeight(30);
    CheckBox1 = new QCheckBox(QStringLiteral("Индекс Я"), panel2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("PageRank"), panel2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setToolTip(QStringLiteral("Vantle не проверяется"));
    auto* boxes = new QVBoxLayout();
    boxes->setSpacing(0);
    boxes->addWidget(CheckBox1);
    boxes->addWidget(CheckBox2);

    // "Пуск" lies above "Стоп" on the same spot: hiding it during a run uncovers "Стоп".
    auto* startStop = new QWidget(panel2);
    startStop->setFixedSize(113, 30);
    Button3 = MakeButton(startStop, "Button3", QString(), QString());
    Button3->setGeometry(0, 0, 113, 30);
    Button2 = MakeButton(startStop, "Button2", QString(), QString());
    Button2->setGeometry(0, 0, 113, 30);
    Button2->raise();
    Button3->setFocusPolicy(Qt::NoFocus);

    commands->addWidget(Button1);
    commands->addSpacing(18);
    commands->addWidget(Button4);
    commands->addSpacing(7);
    commands->addLayout(boxes);
    commands->addStretch(1);
    commands->addWidget(startStop);
    rows->addLayout(commands);

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::clicked, this, &TForm1::CheckBox2Click);
    return panel2;
}

void TForm1::BuildGrid() {
    model_ = new DomainTableModel(this);
    RzStringGrid1 = new QTableView(this);
    RzStringGrid1->setObjectName(QStringLiteral("RzStringGrid1"));
    table_ = new TableControls(RzStringGrid1, model_, this);
    edits_ =
        new CellEdits(model_, RzStringGrid1, [this](int col, int row, const std::string& text, bool byHand) {
            journal_->CellEdited(col, row, text, byHand);
        });
    RzStringGrid1->setShowGrid(true);
    RzStringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    RzStringGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    RzStringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    RzStringGrid1->verticalHeader()->hide();
    RzStringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    RzStringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    RzStringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    RzStringGrid1->horizontalHeader()->setDefaultSectionSize(kNewColumnWidth);
    RzStringGrid1->horizontalHeader()->setHighlightSections(false);
    RzStringGrid1->horizontalHeader()->setFixedHeight(kRowHeight + 2);
    for (int c = 0; c < 4; ++c) {
        RzStringGrid1->setColumnWidth(c, kColumnWidths[c]);
    }
    // The first cell is current but not selected: a fresh table's blank row is no row to act on.
    RzStringGrid1->selectionModel()->setCurrentIndex(RzStringGrid1->model()->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
    RzStringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RzStringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1Popup();
        PopupMenu1->exec(RzStringGrid1->viewport()->mapToGlobal(at));
    });
}

QWidget* TForm1::BuildBottomRow() {
    auto* row = new QWidget(this);
    auto* items = new QHBoxLayout(row);
    items->setContentsMargins(8, 5, 13, 5);
    items->setSpacing(7);
    ComboBox1 = new QComboBox(row);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (int rate = 1; rate <= 10; ++rate) {
        ComboBox1->addItem(QString::number(rate));
    }
    ComboBox1->setCurrentIndex(2);
    Label1 = new QLabel(row);
    Label1->setObjectName(QStringLiteral("Label1"));
    // How many domains are checked at once when none of the old services is chosen.
    Label5 = new QLabel(QStringLiteral("Параллельно"), row);
    Label5->setObjectName(QStringLiteral("Label5"));
    SpinEdit1 = new QSpinBox(row);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, 256);
    SpinEdit1->setValue(16);
    SpinEdit1->setFixedWidth(57);
    SpinEdit1->setToolTip(
        QStringLiteral("Сколько доменов проверять одновременно (без Яндекс.Бара, Индекса Я и PageRank)"));
    Label5->setBuddy(SpinEdit1);
    Label4 = new QLabel(row);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setStyleSheet(QStringLiteral("color: navy; text-decoration: underline;"));
    Label4->setCursor(Qt::PointingHandCursor);
    new ClickWatch(Label4, [this] { Label4Click(); });
    Label2 = new QLabel(QStringLiteral("0"), row);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->hide();
    Label3 = new QLabel(QStringLiteral("Выводить с тиц >= "), row);
    Label3->setObjectName(QStringLiteral("Label3"));
    Edit1 = new QLineEdit(row);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(15);
    Edit1->setFixedWidth(57);
    // Typed: digits only (the key filter); pasted: digits, blanks around them allowed, which the run trims.
    Edit1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ \\t]*[0-9]*[ \\t]*")), Edit1));
    Edit1->installEventFilter(this);

    items->addWidget(ComboBox1);
    items->addWidget(Label1);
    items->addSpacing(12);
    items->addWidget(Label5);
    items->addWidget(SpinEdit1);
    items->addSpacing(20);
    items->addWidget(Label4);
    items->addWidget(Label2);
    checks_ = std::make_unique<ChecksMenu>(row);
    items->addSpacing(20);
    items->addWidget(checks_->Button());
    for (std::string_view name : CheckNames()) {
        connect(checks_->Item(name), &QAction::triggered, this, [this, name]() { ChecksItemClick(name); });
    }
    connect(checks_->ListFileItem(), &QAction::triggered, this, &TForm1::ChooseTopListFile);
    connect(checks_->GraphFileItem(), &QAction::triggered, this, &TForm1::ChooseGraphRanksFile);
    connect(checks_->DnsRateItem(), &QAction::triggered, this, &TForm1::ChooseDnsRate);
    connect(checks_->TodayItem(), &QAction::triggered, this, &TForm1::ChecksTodayClick);
    items->addStretch(1);
    items->addWidget(Label3);
    items->addWidget(Edit1);
    return row;
}

void TForm1::BuildStatusBar() {
    auto* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[] = {120, 200, 50};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        if (i < 2) {
            // Fixed in both directions: a new text then repaints the panel alone instead of laying
            // out the whole window again, twice for every domain of a run.
            panels_[i]->setFixedSize(widths[i], panels_[i]->sizeHint().height());
        }
        bar->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
    standing_ = new QLabel(bar);
    standing_->setObjectName(QStringLiteral("RunStanding"));
    bar->addWidget(standing_);
}

// The main menu is never shown; its items are there for their shortcuts, which act through the
// buttons' handlers.
void TForm1::BuildHiddenMenu() {
    N2 = MakeAction(this, "N2", QStringLiteral("Открыть"), QKeySequence(Qt::CTRL | Qt::Key_O));
    N1 = MakeAction(this, "N1", QStringLiteral("Добавить"), QKeySequence(Qt::CTRL | Qt::Key_D));
    N6 = MakeAction(this, "N6", QStringLiteral("Пуск"), QKeySequence(Qt::CTRL | Qt::Key_G));
    N7 = MakeAction(this, "N7", QStringLiteral("Стоп"), QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(N2, &QAction::triggered, Button4, &QPushButton::click);
    connect(N1, &QAction::triggered, Button1, &QPushButton::click);
    connect(N6, &QAction::triggered, Button2, &QPushButton::click);
    connect(N7, &QAction::triggered, Button3, &QPushButton::click);
    for (QAction* action : {N2, N1, N6, N7}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void TForm1::BuildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N5 = MakeAction(PopupMenu1, "N5", QStringLiteral("Перепроверить"), QKeySequence(Qt::CTRL | Qt::Key_R));
    YandexBar1 = MakeAction(PopupMenu1, "YandexBar1", QStringLiteral("Yandex.Bar"),
                            QKeySequence(Qt::CTRL | Qt::Key_Y));
    Whois1 = new QMenu(QStringLiteral("Whois"), PopupMenu1);
    Whois1->setObjectName(QStringLiteral("Whois1"));
    WhoisItem1 = MakeAction(Whois1, "WhoisItem1", QString::fromStdString(hosts_.whoisA), QKeySequence());
    WhoisItem2 = MakeAction(Whois1, "WhoisItem2", QString::fromStdString(hosts_.whoisB), QKeySequence());
    csv1 = MakeAction(PopupMenu1, "csv1", QString(), QKeySequence(Qt::CTRL | Qt::Key_S));
    Whois1->addAction(WhoisItem1);
    Whois1->addAction(WhoisItem2);
    PopupMenu1->addAction(N5);
    PopupMenu1->addAction(YandexBar1);
    PopupMenu1->addMenu(Whois1);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N4"));
    PopupMenu1->addAction(csv1);
    OpenResults1 = MakeAction(PopupMenu1, "OpenResults1", QStringLiteral("Открыть результаты..."),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    PopupMenu1->addAction(OpenResults1);
    // Also a command of the window, as "...Или открыть из файла" is.
    OpenResults1->setShortcutContext(Qt::WindowShortcut);
    addAction(OpenResults1);
    PopupMenu1->addAction(table_->SortItem());
    PopupMenu1->addAction(edits_->UndoItem());
    // The shortcuts act while the table or its cell editor has the focus.
    for (QAction* action : {N5, YandexBar1, csv1}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        RzStringGrid1->addAction(action);
    }
    RzStringGrid1->setItemDelegate(new GridDelegate({N5, YandexBar1, csv1}, RzStringGrid1));
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(YandexBar1, &QAction::triggered, this, &TForm1::YandexBar1Click);
    connect(WhoisItem1, &QAction::triggered, this, &TForm1::WhoisItem1Click);
    connect(WhoisItem2, &QAction::triggered, this, &TForm1::WhoisItem2Click);
    connect(csv1, &QAction::triggered, this, &TForm1::csv1Click);
    connect(OpenResults1, &QAction::triggered, this, &TForm1::OpenResultsClick);
}

void TForm1::SetTabOrder() {
    QWidget* const order[] = {
        Button1,       Button4,   CheckBox1, CheckBox2,         Button2, Button3, table_->FilterEdit(),
        RzStringGrid1, ComboBox1, SpinEdit1, checks_->Button(), Edit1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

void TForm1::FormCreate() {
    Button1->setText(QStringLiteral("Добавить список..."));
    Button1->setToolTip(QStringLiteral("Добавить список (Ctrl + D)"));
    Button4->setText(QStringLiteral("...Или открыть из файла"));
    Button4->setToolTip(QStringLiteral("Открыть из файла (Ctrl + O)"));
    Button2->setText(QStringLiteral("Пуск"));
    Button2->setToolTip(QStringLiteral("(Ctrl + G)"));
    Button3->setText(QStringLiteral("Стоп"));
    Button3->setToolTip(QStringLiteral("(Ctrl + T)"));
    csv1->setText(QStringLiteral("Сохранить в csv..."));
    Label1->setText(QStringLiteral("дом/сек"));
    Label4->setText(QStringLiteral("[Разделитель доменов]"));
    Label4->setToolTip(QStringLiteral("(Откроется в браузере)"));
}

QString TForm1::PanelText(int index) const {
    return panels_[index]->text();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        // Typed characters other than digits are dropped; a paste is the validator's business.
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed.at(0).isPrint() && !typed.at(0).isDigit()) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Panel1Click() {
    OpenInBrowser(QLatin1String(kCreditAddress));
}
void TForm1::Label4Click() {
    OpenInBrowser(QLatin1String(kSplitterAddress));
}

void TForm1::OpenInBrowser(const QString& address) {
    UrlOpener()(QUrl(address, QUrl::TolerantMode));
}

// ---- Commands ----

void TForm1::Button1Click() {
    form2_->exec();
}

void TForm1::HandOver(int lineCount) {
    ResetForNewList(lineCount);
    journal_->Done();  // a new list: the rows before it are let go
    host_->SetResumeFlag("0");
}

// What a new domain list does to the window: a clean table and status, no run to continue.
void TForm1::ResetForNewList(int lineCount) {
    host_->ResetTable();
    panels_[0]->setText(QStringLiteral("Загружено: ") + QString::number(lineCount));
    panels_[1]->clear();
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    host_->SetCsvEnabled(false);
    engine_->ForgetResume();
}

QString TForm1::ChooseFileToOpen(const QStringList& filters, QString& last) {
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!last.isEmpty()) {
        dialog.selectFile(last);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    last = dialog.selectedFiles().constFirst();
    return last;
}

// A text list, or the domain column of a CSV table or a workbook; a table without one is no list.
void TForm1::Button4Click() {
    const QString path = ChooseFileToOpen(
        {QStringLiteral("Списки доменов (*.txt *.csv *.xlsx)"), QStringLiteral("txt (*.txt)"),
         QStringLiteral("CSV, Excel (*.csv *.xlsx)"), QStringLiteral("Все файлы (*)")},
        lastOpenName_);
    if (path.isEmpty()) {
        return;
    }
    ListFromFile list;
    try {
        list = ReadListFromFile(path.toStdString());
    } catch (const std::exception& e) {
        host_->ErrorBox(QString::fromLocal8Bit(e.what()));
        return;
    }
    if (list.table && list.text.empty()) {
        host_->InfoBox(texts::NeedDomainList());
        return;
    }
    if (!MayReplaceRows()) {
        return;
    }
    form2_->SetListText(list.text);
    ResetForNewList(form2_->LineCount());
    journal_->Done();
}

void TForm1::Button2Click() {
    if (!MayClearForRun() || !files_->PrepareChosenGraph(*host_)) {
        return;
    }
    retiredHint_->Forget();
    journal_->SetFresh(!(host_->ResumeFlag() == "1" && engine_->Resumable()));
    engine_->Button2Click();
    if (const auto at = engine_->ResumeAt(); at && host_->ResumeFlag() == "1") {
        journal_->Resumed(at->first, at->second);
    }
    journal_->Flush();  // the run's rows are on disk once it has ended
    if (host_->Closing()) {
        close();
    }
}

void TForm1::Button3Click() {
    engine_->Button3Click();
}

// The selected rows, in the order shown, as one recheck.
void TForm1::N5Click() {
    if (!N5->isEnabled() || engine_->State() != RunState::Idle || !files_->PrepareChosenGraph(*host_)) {
        return;
    }
    engine_->Recheck(table_->SelectedRows());  // each row goes to the journal through RowWritten
    journal_->Flush();
    if (host_->Closing()) {
        close();
    }
}

void TForm1::csv1Click() {
    if (csv1->isEnabled()) {
        SaveWithDialog();
    }
}

bool TForm1::SaveWithDialog() {
    const std::optional<SaveChoice> choice = SaveDialog(this).Choose();
    if (!choice || !SaveTable(choice->path, choice->format)) {
        return false;
    }
    const int saved = static_cast<int>(table_->ShownRows().size()) - 1;  // the rows shown are saved
    const int total = columns_->TableIsClean() ? 0 : model_->RowCount() - 1;
    if (saved >= total) {
        journal_->Done();  // every row is in the file now
        host_->InfoBox(ToCp1251(QStringLiteral("Информация сохранена")));
    } else {
        // A filter left rows out: they are still unsaved, and the user is told so.
        host_->InfoBox(ToCp1251Keeping(SavedOfText(saved, total)));
    }
    return true;
}

bool TForm1::SaveTable(const QString& path, SaveFormat format) {
    try {
        WriteResults(path, format, *model_, columns_->SavedColumns(), table_->ShownRows());
    } catch (const std::exception& e) {
        host_->ErrorBox(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

// ---- Context menu and browser links ----

void TForm1::PopupMenu1Popup() {
    YandexBar1->setEnabled(csv1->isEnabled());
    N5->setEnabled(csv1->isEnabled());
    Whois1->menuAction()->setVisible(csv1->isEnabled());
}

QString TForm1::SelectedDomainAscii() const {
    return FromCp1251(DomainToAscii(model_->Cell(0, table_->CurrentRow())));
}

void TForm1::YandexBar1Click() {
    if (YandexBar1->isEnabled()) {
        OpenInBrowser(QStringLiteral("http://") + QString::fromStdString(hosts_.bar) +
                      QStringLiteral("/u?ver=2&show=32&url=http://") + SelectedDomainAscii());
    }
}

void TForm1::WhoisItem1Click() {
    OpenInBrowser(QStringLiteral("https://") + QString::fromStdString(hosts_.whoisA) +
                  QStringLiteral("/whois/?query=") + SelectedDomainAscii());
}

void TForm1::WhoisItem2Click() {
    OpenInBrowser(QStringLiteral("http://") + QString::fromStdString(hosts_.whoisB) + QStringLiteral("/") +
                  SelectedDomainAscii());
}

}  // namespace vantle
