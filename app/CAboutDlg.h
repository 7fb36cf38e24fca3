#pragma once

#include <QDialog>

// The About box: the program's name, version and two lines about it.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
