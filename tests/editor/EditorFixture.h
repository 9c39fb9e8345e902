#pragma once

#include "app/QZMApp.h"
#include "document/QZMDoc.h"
#include "editor/FormControls.h"
#include "editor/QZMView.h"
#include "frame/MainFrame.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include <memory>

// One Block Memory record as the file holds it.
struct FileBlock
{
    QByteArray description;
    qint32 address = 1;
    qint32 number = 0;
    qint32 parameter = 1;
};

struct FileSettings
{
    qint32 protocol = 0;
    qint32 baudRate = 1;
    qint32 parity = 0;
    qint32 timeout = 100;
    qint32 port = 1;
    QByteArray description;
};

inline void AppendInt(QByteArray& out, qint32 value)
{
    for (int i = 0; i < 4; ++i)
        out += char((quint32(value) >> (8 * i)) & 0xff);
}

inline void AppendText(QByteArray& out, const QByteArray& text)
{
    AppendInt(out, qint32(text.size() + 1));
    out += text;
    out += '\0';
}

// The bytes of a version 3 file, written field by field.
inline QByteArray QzmFileBytes(const FileSettings& s, const QList<FileBlock>& read, const QList<FileBlock>& write)
{
    QByteArray out;
    AppendInt(out, 3);
    AppendInt(out, qint32(read.size()));
    AppendInt(out, qint32(write.size()));
    AppendInt(out, s.protocol);
    AppendInt(out, s.baudRate);
    AppendInt(out, s.parity);
    AppendInt(out, s.timeout);
    AppendInt(out, 2);
    AppendInt(out, s.port);
    AppendText(out, s.description);
    for (const QList<FileBlock>* list : {&read, &write})
        for (const FileBlock& b : *list) {
            AppendText(out, b.description);
            AppendInt(out, b.address);
            AppendInt(out, b.number);
            AppendInt(out, b.parameter);
        }
    return out;
}

// The running program with its one frame, view and document.
class EditorFixture
{
public:
    explicit EditorFixture(const QStringList& arguments = {})
        : app(std::make_unique<CQZMApp>(arguments))
    {
        started = app->InitInstance();
        if (started) {
            frame()->activateWindow();
            active = QTest::qWaitForWindowActive(frame());
        }
    }

    CMainFrame* frame() const { return app->GetMainFrame(); }
    CQZMView* view() const { return app->GetView(); }
    CQZMDoc* doc() const { return app->GetQZMDoc(); }

    template <typename T = QWidget>
    T* control(int id) const
    {
        return qobject_cast<T*>(view()->GetDlgItem(id));
    }
    CNumberEdit* address() const { return control<CNumberEdit>(IDC_ADDRESS); }
    CNumberEdit* number() const { return control<CNumberEdit>(IDC_NUMBER); }
    CNumberEdit* timeout() const { return control<CNumberEdit>(IDC_TIMEOUT); }
    CSpinButton* spin(int id) const { return control<CSpinButton>(id); }
    CDescriptionEdit* description() const { return control<CDescriptionEdit>(IDC_DESCRIPTION); }
    CDescriptionEdit* blockDescription() const { return control<CDescriptionEdit>(IDC_BM_DESCRIPTION); }
    QComboBox* combo(int id) const { return control<QComboBox>(id); }
    QPushButton* button(int id) const { return control<QPushButton>(id); }
    QRadioButton* radio(int id) const { return control<QRadioButton>(id); }
    QTabBar* tabs() const { return control<CTabStrip>(IDC_TAB)->TabBar(); }
    QString caption() const { return control<QGroupBox>(IDC_BLOCK_FRAME)->title(); }
    QString status() const { return frame()->GetMessageText(); }

    void click(int id) const { QTest::mouseClick(button(id), Qt::LeftButton); }
    void clickTab(int index) const
    {
        QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(index).center());
    }
    void clickSpin(int id, bool up) const
    {
        QToolButton* arrow = up ? spin(id)->UpButton() : spin(id)->DownButton();
        QTest::mouseClick(arrow, Qt::LeftButton);
    }
    // The user selects the field's text and types over it.
    void typeInto(QWidget* field, const QString& text) const
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }
    // The user moves the focus away from the field.
    void leave() const { description()->setFocus(); }
    // The user picks an entry of a closed drop-down list with the keyboard.
    void choose(int id, int index) const
    {
        QComboBox* list = combo(id);
        list->setFocus();
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > index)
            QTest::keyClick(list, Qt::Key_Up);
    }
    CBlockMemory* current(CQZMDoc::List list = CQZMDoc::List::Read) const { return doc()->CurrentBlock(list); }

    ScriptedInteraction interaction;
    std::unique_ptr<CQZMApp> app;
    bool started = false;
    bool active = false;
};
