#include "app/CAboutDlg.h"

#include "app/AppIcon.h"
#include "res/TemplateBuilder.h"
#include "res/Templates.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const DialogTemplate& dialog = AboutTemplate();
    TemplateBuilder::build(this, dialog);
    setWindowTitle(QString::fromLatin1(dialog.caption));
    setFixedSize(size());

    const auto icons = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (QLabel* label : icons) {
        if (label->text().isEmpty())
            label->setPixmap(AppIcon::icon().pixmap(32, 32));
    }
    connect(Control<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);
}
