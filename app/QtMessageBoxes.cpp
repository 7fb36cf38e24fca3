#include "app/MessageBoxes.h"

#include "res/Strings.h"

#include <QMessageBox>

void QtMessageBoxes::show(QWidget* owner, const QString& text, MessageIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::Warning;
    if (icon == MessageIcon::Information)
        boxIcon = QMessageBox::Information;
    else if (icon == MessageIcon::Stop)
        boxIcon = QMessageBox::Critical;
    QMessageBox box(boxIcon, QString::fromLatin1(Strings::kProgramName), text, QMessageBox::Ok, owner);
    box.exec();
}
