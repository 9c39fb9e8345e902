#include "ShownProbe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>

// A plain Qt Widgets program of the program's shape: four menus with
// shortcuts and a submenu, a toolbar of six painted icons, a status bar with
// a message pane and three indicator panes, and a form of 50 controls of the
// kinds the program's form uses, in a scroll area. Nothing else: no
// settings, no registration, no other Qt modules.
namespace {
QIcon paintedIcon(int index)
{
    QPixmap pixmap(19, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor::fromHsv(index * 60, 200, 230));
    if (index % 2)
        p.drawEllipse(2, 1, 15, 15);
    else
        p.drawRect(3, 1, 12, 15);
    p.end();
    return QIcon(pixmap);
}

QWidget* buildForm()
{
    auto* form = new QWidget;
    form->resize(300, 560);
    int y = 8;
    auto next = [&y](int height) {
        const int at = y;
        y += height + 4;
        return at;
    };
    auto* tabs = new QTabBar(form);                                  // 1
    tabs->addTab(QStringLiteral("Read"));
    tabs->addTab(QStringLiteral("Write"));
    tabs->setGeometry(8, next(22), 280, 22);
    auto* settings = new QGroupBox(QStringLiteral("Settings"), form);  // 2
    settings->setGeometry(4, y, 292, 150);
    auto* block = new QGroupBox(QStringLiteral("Block Memory"), form);  // 3
    block->setGeometry(4, y + 150, 292, 150);
    auto* description = new QPlainTextEdit(form);                   // 4
    description->setGeometry(8, next(40), 280, 40);
    auto* blockDescription = new QPlainTextEdit(form);              // 5
    blockDescription->setGeometry(8, next(40), 280, 40);
    for (int i = 0; i < 20; ++i) {                                  // 6..25
        auto* label = new QLabel(QStringLiteral("Field %1:").arg(i + 1), form);
        label->setGeometry(8 + (i % 2) * 144, y + (i / 2) * 22, 60, 18);
    }
    for (int i = 0; i < 8; ++i) {                                   // 26..33
        auto* edit = new QLineEdit(QString::number(i * 10), form);
        edit->setGeometry(70 + (i % 2) * 144, y + (i / 2) * 22, 70, 18);
    }
    for (int i = 0; i < 4; ++i) {                                   // 34..37
        auto* combo = new QComboBox(form);
        combo->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("NONE")});
        combo->setGeometry(70 + (i % 2) * 144, y + (4 + i / 2) * 22, 70, 20);
    }
    for (int i = 0; i < 4; ++i) {                                   // 38..41
        auto* spin = new QSpinBox(form);
        spin->setRange(0, 9999);
        spin->setGeometry(70 + (i % 2) * 144, y + (6 + i / 2) * 22, 70, 20);
    }
    y += 10 * 22;
    for (int i = 0; i < 6; ++i) {                                   // 42..47
        auto* button = new QPushButton(QStringLiteral("Button %1").arg(i + 1), form);
        button->setGeometry(8 + (i % 3) * 96, y + (i / 3) * 28, 90, 24);
    }
    y += 2 * 28;
    new QRadioButton(QStringLiteral("Basic Variable"), form);       // 48
    form->children().constLast()->setProperty("geometry", QRect(8, y, 130, 18));
    new QRadioButton(QStringLiteral("Parameter"), form);            // 49
    form->children().constLast()->setProperty("geometry", QRect(150, y, 130, 18));
    auto* check = new QCheckBox(QStringLiteral("Confirm"), form);   // 50
    check->setGeometry(8, y + 22, 130, 18);
    return form;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    ShownProbe probe;
    application.installEventFilter(&probe);

    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")), [] {});
    file->addAction(QStringLiteral("&Open..."), QKeySequence(QStringLiteral("Ctrl+O")), [] {});
    file->addAction(QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")), [] {});
    file->addAction(QStringLiteral("Save &As..."));
    file->addSeparator();
    file->addAction(QStringLiteral("Create Text File"));
    file->addSeparator();
    file->addAction(QStringLiteral("Recent File"))->setEnabled(false);
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), QKeySequence(QStringLiteral("Ctrl+Q")), &window, &QWidget::close);
    QMenu* view = window.menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("&Toolbar"))->setCheckable(true);
    view->addAction(QStringLiteral("&Status Bar"))->setCheckable(true);
    QMenu* comm = window.menuBar()->addMenu(QStringLiteral("Comunicate"));
    comm->addAction(QStringLiteral("Send All"));
    comm->addSeparator();
    QMenu* ports = comm->addMenu(QStringLiteral("Serial Port Number"));
    for (int i = 1; i <= 4; ++i)
        ports->addAction(QStringLiteral("COM%1").arg(i))->setCheckable(true);
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About..."), QKeySequence(QStringLiteral("F1")), [] {});
    for (const char* key : {"Ctrl+C", "Ctrl+V", "Ctrl+X", "Ctrl+Z", "Ctrl+P", "F6", "Shift+F6"}) {
        auto* action = new QAction(&window);
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
        window.addAction(action);
    }

    QToolBar* tools = window.addToolBar(QStringLiteral("Toolbar"));
    tools->setIconSize(QSize(19, 18));
    for (int i = 0; i < 6; ++i) {
        if (i == 4 || i == 5)
            tools->addSeparator();
        tools->addAction(paintedIcon(i), QStringLiteral("Tool %1").arg(i + 1));
    }

    auto* message = new QLabel(QStringLiteral("Ready"));
    window.statusBar()->addWidget(message, 1);
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(text));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        window.statusBar()->addPermanentWidget(pane);
    }

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildForm());
    window.setCentralWidget(scroll);
    window.setWindowTitle(QStringLiteral("Untitled - Plain"));
    window.resize(312, 658);
    window.show();
    return application.exec();
}
