#include "app/RetiredHint.h"

#include <QLabel>
#include <QStatusBar>

#include "check/Texts.h"
#include "dialogs/QtText.h"

namespace vantle {

void RetiredHint::Show() {
    label_ = new QLabel(FromCp1251(texts::RetiredServicesHint()), bar_);
    label_->setObjectName(QStringLiteral("RetiredHint"));
    label_->setToolTip(label_->text());
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar_->addWidget(label_, 1);
}

void RetiredHint::Forget() {
    if (label_ != nullptr) {
        bar_->removeWidget(label_);
        delete label_;
        label_ = nullptr;
    }
}

}  // namespace vantle
