#include "check/Texts.h"

#include "text/Cp1251.h"

namespace vantle::texts {

#define VANTLE_TEXT(name, literal)                              \
    const std::string& name() {                                 \
        static const std::string text = Utf16ToCp1251(literal); \
        return text;                                            \
    }

VANTLE_TEXT(NeedDomainList, u"Необходимо составить список доменов")
VANTLE_TEXT(SaveQuestion, u"Проверка завершена. Сохранить результаты?")
VANTLE_TEXT(Total, u"Всего: ")
VANTLE_TEXT(Loaded, u"Загружено: ")
VANTLE_TEXT(Glued, u"Клееных: ")
VANTLE_TEXT(Zero, u"; Нулевых: ")
VANTLE_TEXT(Yaca, u"; ЯК: ")
VANTLE_TEXT(
    RetiredServicesHint,
    u"Службы бара Яндекса и PageRank закрыты; проверки, которые работают сегодня, — в меню «Проверки»")

#undef VANTLE_TEXT

}  // namespace vantle::texts
