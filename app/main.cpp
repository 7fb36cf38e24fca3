#include "app/CSetupDlg.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "res/Strings.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(Strings::kProgramName));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));

    QtMessageBoxes messages;
    QtFileDialogs fileDialogs;
    CSetupDlg window(messages, fileDialogs);
    window.show();
    return app.exec();
}
