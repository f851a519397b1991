#include "check/LineRun.h"

#include <memory>

#include "puny/DomainName.h"
#include "puny/IdnaName.h"

namespace vantle {

DomainNames NamesOf(const std::string& displayName) {
    return DomainNames{displayName, DomainToAscii(displayName), CheckableAsciiName(displayName).value_or(""),
                       std::make_shared<DomainFacts>()};
}

}  // namespace vantle
