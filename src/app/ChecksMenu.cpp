#include "app/ChecksMenu.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "catalog/CheckCatalog.h"

namespace vantle {

namespace {

QString Caption(std::string_view name) {
    if (name == "bar") {
        return QStringLiteral("Яндекс.Бар: Tic, Status, Yaca");
    }
    if (name == "yapages") {
        return QStringLiteral("Индекс Я: YaPages");
    }
    if (name == "pr") {
        return QStringLiteral("PageRank: PR");
    }
    if (name == "dns") {
        return QStringLiteral("Адрес и почта: IP, MX");
    }
    if (name == "web") {
        return QStringLiteral("Ответ сайта и зеркало: HTTP, Mirror");
    }
    if (name == "ssl") {
        return QStringLiteral("Сертификат: SSL");
    }
    if (name == "registry") {
        return QStringLiteral("Регистрация: Created, Expires, Registrar");
    }
    if (name == "archive") {
        return QStringLiteral("Веб-архив: Archive");
    }
    if (name == "links") {
        return QStringLiteral("Ссылки по веб-графу: LinkRank, LinkPR");
    }
    return QStringLiteral("Место в списке сайтов: Rank");
}

// Ticks a checkable item where the menu would tick it and close: the menu stays open for the next.
class StayOpen : public QObject {
public:
    explicit StayOpen(QMenu* menu) : QObject(menu), menu_(menu) { menu->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QAction* item = nullptr;
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            item = mouse->button() == Qt::LeftButton ? menu_->actionAt(mouse->position().toPoint()) : nullptr;
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool press = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
            item = press ? menu_->activeAction() : nullptr;
        }
        if (item == nullptr || !item->isCheckable() || !item->isEnabled()) {
            return QObject::eventFilter(watched, event);
        }
        item->trigger();
        return true;
    }

private:
    QMenu* menu_;
};

}  // namespace

ChecksMenu::ChecksMenu(QWidget* parent) {
    button_ = new QToolButton(parent);
    button_->setObjectName(QStringLiteral("ChecksButton"));
    button_->setText(QStringLiteral("Проверки"));
    button_->setToolTip(QStringLiteral("Что проверять"));
    button_->setPopupMode(QToolButton::InstantPopup);
    menu_ = new QMenu(button_);
    menu_->setObjectName(QStringLiteral("ChecksMenu"));
    button_->setMenu(menu_);
    new StayOpen(menu_);
    for (std::string_view name : CheckNames()) {
        QAction* item = menu_->addAction(Caption(name));
        item->setObjectName(QStringLiteral("Check_") + QString::fromLatin1(name.data(), name.size()));
        item->setCheckable(true);
        item->setChecked(name == "bar");
        entries_.push_back(Entry{std::string(name), item, nullptr});
    }
    menu_->addSeparator();
    todayItem_ = menu_->addAction(QStringLiteral("Все проверки сегодняшнего дня"));
    todayItem_->setObjectName(QStringLiteral("ChecksToday"));
    todayItem_->setToolTip(QStringLiteral("Отметить все проверки, что работают сегодня"));
    menu_->addSeparator();
    listFileItem_ = menu_->addAction(QStringLiteral("Файл списка сайтов..."));
    listFileItem_->setObjectName(QStringLiteral("TopListFile"));
    graphFileItem_ = menu_->addAction(QStringLiteral("Файл графа ссылок..."));
    graphFileItem_->setObjectName(QStringLiteral("GraphRanksFile"));
    dnsRateItem_ = menu_->addAction(QStringLiteral("Запросов DNS в секунду..."));
    dnsRateItem_->setObjectName(QStringLiteral("DnsRate"));
    UseEndpoints(CheckEndpoints{});
}

ChecksMenu::~ChecksMenu() = default;

QAction* ChecksMenu::Item(std::string_view name) const {
    for (const Entry& e : entries_) {
        if (e.name == name) {
            return e.item;
        }
    }
    return nullptr;
}

bool ChecksMenu::Chosen(std::string_view name) const {
    const QAction* item = Item(name);
    return item != nullptr && item->isChecked();
}

void ChecksMenu::UseEndpoints(const CheckEndpoints& endpoints) {
    for (Entry& e : entries_) {
        e.check = MakeNetworkCheck(e.name, endpoints);
    }
}

std::vector<CheckRunHost::PlacedCheck> ChecksMenu::Placed(int firstCol) const {
    std::vector<CheckRunHost::PlacedCheck> placed;
    int col = firstCol;
    for (const Entry& e : entries_) {
        if (e.check && e.item->isChecked()) {
            placed.push_back({e.check.get(), col, e.check});
            col += static_cast<int>(e.check->Columns().size());
        }
    }
    return placed;
}

std::vector<std::string> ChecksMenu::Headers() const {
    std::vector<std::string> headers;
    for (const Entry& e : entries_) {
        if (e.check && e.item->isChecked()) {
            for (std::string& h : e.check->Columns()) {
                headers.push_back(std::move(h));
            }
        }
    }
    return headers;
}

std::vector<std::string> ChecksMenu::Columns(std::string_view name) const {
    if (name == "bar") {
        return {"Tic", "Status", "Yaca"};
    }
    if (name == "yapages") {
        return {"YaPages"};
    }
    if (name == "pr") {
        return {"PR"};
    }
    for (const Entry& e : entries_) {
        if (e.name == name && e.check) {
            return e.check->Columns();
        }
    }
    return {};
}

}  // namespace vantle
