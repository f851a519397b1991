// The entry dialog's "Убрать повторы": a line goes when its name repeats an earlier line's.
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "dialogs/QtText.h"
#include "dialogs/TForm2.h"
#include "filter/Repeats.h"

namespace vantle {

void TForm2::CreateRepeatsButton() {
    ButtonRepeats = new QPushButton(QStringLiteral("Убрать повторы"), Memo1);
    ButtonRepeats->setObjectName(QStringLiteral("ButtonRepeats"));
    ButtonRepeats->setToolTip(QStringLiteral("Оставить каждый домен один раз"));
    const int frame = Memo1->frameWidth();
    ButtonRepeats->setGeometry(frame + 2, Memo1->height() - frame - kRepeatsStrip + 1, 110,
                               kRepeatsStrip - 2);
    connect(ButtonRepeats, &QPushButton::clicked, this, &TForm2::ButtonRepeatsClick);
}

void TForm2::ButtonRepeatsClick() {
    const QStringList lines = ListText().split(u'\n');
    std::vector<std::string> cp1251;
    cp1251.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines) {
        cp1251.push_back(ToCp1251Keeping(line));
    }
    const std::vector<bool> repeated = RepeatedLines(cp1251);
    QStringList kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!repeated[static_cast<std::size_t>(i)]) {
            kept.append(lines[i]);
        }
    }
    const auto removed = lines.size() - kept.size();
    if (removed > 0 && held_) {
        SetList(kept.join(u'\n'));
    } else if (removed > 0) {
        // Through the cursor, so that Ctrl+Z brings the lines back.
        QTextCursor cursor(Memo1->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(kept.join(u'\n'));
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Инфо"),
                    QStringLiteral("Убрано повторов: %1").arg(removed), QMessageBox::Ok, this);
    box.exec();
}

}  // namespace vantle
