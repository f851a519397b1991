#pragma once
// The program's own texts, as the Windows-1251 bytes that every text of the program is.

#include <string>

namespace vantle::texts {

const std::string& NeedDomainList();  // "Необходимо составить список доменов"
const std::string& SaveQuestion();  // "Проверка завершена. Сохранить результаты?"
const std::string& Total();   // "Всего: "
const std::string& Loaded();  // "Загружено: "
const std::string& Glued();   // "Клееных: "
const std::string& Zero();    // "; Нулевых: "
const std::string& Yaca();    // "; ЯК: "
// The real program's status bar on a start with the bar check chosen, until the first run or a change
// of the checks: "Службы бара Яндекса и PageRank закрыты; проверки, которые работают сегодня, — в
// меню «Проверки»"
const std::string& RetiredServicesHint();

}  // namespace vantle::texts
