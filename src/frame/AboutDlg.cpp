#include "frame/AboutDlg.h"

#include "framework/DialogUnits.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About QZM"));
    setModal(true);
    QFont dialogFont = QApplication::font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    const CDialogUnits du(dialogFont);
    setFixedSize(du.X(230), du.Y(60));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IDC_ICON"));
    icon->setGeometry(du.Rect(7, 7, 20, 20));
    icon->setPixmap(QApplication::windowIcon().pixmap(icon->size()));

    auto* version = new QLabel(QStringLiteral("QZM.exe Version 2.01"), this);
    version->setObjectName(QStringLiteral("IDC_VERSION"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.Rect(40, 12, 119, 8));

    auto* notice = new QLabel(QStringLiteral("Copyright (C) Zelvra\nAll rights reserved."), this);
    notice->setObjectName(QStringLiteral("IDC_NOTICE"));
    notice->setTextFormat(Qt::PlainText);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setGeometry(du.Rect(40, 30, 183, 23));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setGeometry(du.Rect(191, 7, 32, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
