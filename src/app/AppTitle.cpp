#include "app/AppTitle.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vantle {

QString ApplicationTitle(const QString& programFilePath) {
    QString name = QFileInfo(programFilePath).fileName();
    name = name.left(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
    if (name.isEmpty()) {
        return name;
    }
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString ApplicationTitle() {
    return ApplicationTitle(QCoreApplication::applicationFilePath());
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') {
        return message + u'.';
    }
    return message;
}

}  // namespace vantle
