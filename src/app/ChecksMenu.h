#pragma once
// The "Проверки" button of the main window: a drop-down of checkable items, one per check a run can
// do, and the checks themselves for the ones that answer today. The menu stays open while its items
// are ticked (by mouse, Enter or Space), so that several are chosen in one go; "Все проверки сегодняшнего
// дня" ticks every check that answers today.

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "check/CheckRunHost.h"

class QAction;
class QMenu;
class QToolButton;
class QWidget;

namespace vantle {

class ChecksMenu {
public:
    explicit ChecksMenu(QWidget* parent);
    ~ChecksMenu();

    QToolButton* Button() const { return button_; }
    // The item of a check by its name ("bar", "yapages", "pr", "dns", "web", "ssl").
    QAction* Item(std::string_view name) const;
    // "Файл списка сайтов...": the top-sites list that the rank check reads.
    QAction* ListFileItem() const { return listFileItem_; }
    // "Файл графа ссылок...": the web graph's ranks file that the links check reads.
    QAction* GraphFileItem() const { return graphFileItem_; }
    // "Запросов DNS в секунду...": the resolver's pace.
    QAction* DnsRateItem() const { return dnsRateItem_; }
    // The item that ticks every check that answers today; what it does is for the window to say.
    QAction* TodayItem() const { return todayItem_; }
    QMenu* Menu() const { return menu_; }
    bool Chosen(std::string_view name) const;

    // Makes the checks that answer today anew, going to endpoints.
    void UseEndpoints(const CheckEndpoints& endpoints);

    // The chosen checks that answer today, in column order, placed from firstCol on.
    std::vector<CheckRunHost::PlacedCheck> Placed(int firstCol) const;
    // Their column headers, in the same order.
    std::vector<std::string> Headers() const;
    // The column headers of a check by its name, chosen or not.
    std::vector<std::string> Columns(std::string_view name) const;

private:
    struct Entry {
        std::string name;
        QAction* item = nullptr;
        std::shared_ptr<Check> check;  // only for the checks that answer today
    };
    QToolButton* button_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* listFileItem_ = nullptr;
    QAction* graphFileItem_ = nullptr;
    QAction* dnsRateItem_ = nullptr;
    QAction* todayItem_ = nullptr;
    std::vector<Entry> entries_;
};

}  // namespace vantle
