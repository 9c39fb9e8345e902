#pragma once

#include <QDialog>

// The About box: program name, version and legal notice.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
