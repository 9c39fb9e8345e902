#pragma once

#include "document/QZMDoc.h"
#include "document/QZMFormAccess.h"
#include "editor/QZMHistory.h"
#include "editor/ReportPrinting.h"
#include "framework/LocalText.h"
#include "framework/View.h"

#include <QHash>
#include <QScrollArea>

#include <functional>

class CBlockMemory;
class CDescriptionEdit;
class CNumberEdit;
class CSpinButton;
class CTabStrip;
class QComboBox;
class QGroupBox;
class QPushButton;

// The configuration form: the program's only view. It keeps no copy of the
// document's values; every accepted input goes straight into the document.
class CQZMView : public QScrollArea, public CView, public CQZMFormAccess
{
    Q_OBJECT

public:
    explicit CQZMView(QWidget* parent = nullptr);
    ~CQZMView() override;

    CQZMDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, int hint, CObject* hintObject) override;
    QStringList LongestStatusMessages() const override;

    int GetBaudRateSelection() const override;

    // Prints the document's report (the print commands; the print switches
    // and shell requests name their printer). False when the printer could
    // not be used.
    bool Print(ReportPrintJob job, const PrinterDetails& printer = {});
    // Where the print jobs find their printer instead of the system's (the
    // application's selector, which outlives the view); nullptr for the real one.
    void SetPrinterSelector(const PrinterSelector* selector) { m_pPrinterSelector = selector; }

    // Undo and redo of the user's changes to the document.
    CQZMHistory* History() const { return m_pHistory; }
    // Shows the list's current entry on the list's tab.
    void ShowList(CQZMDoc::List list);
    CQZMDoc::List SelectedList() const;
    // Puts text into status pane 0.
    void SetStatusText(const QString& text);
    // Tells in status pane 0 that an entry was deleted and how to get it back.
    // Returns the text.
    QString ReportDeleted(CQZMDoc::List list, int index, int count = 1);

    // The form's control with this id (IDC_...), or nullptr.
    QWidget* GetDlgItem(int id) const { return m_controls.value(id); }
    QWidget* Form() const { return m_pForm; }

signals:
    // A refresh showed the list's current entry (or the list empty).
    void entryShown(CQZMDoc::List list);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateForm();
    // Keeps the form's controls in the members that name them.
    void TakeControls();
    void DescribeControls();
    void ConnectControls();
    // Shows a scroll bar only when it would reveal part of a control, not
    // just the blank margin the template leaves right of and below them.
    void UpdateScrollBars();
    void RunOneTimeSetup(const CBlockMemory& shown);
    void SelectTab(int index);
    void SelectEntry(QComboBox* list, int index);
    // Writes a description into its field and settles the encoding an edit
    // of it is stored in.
    void ShowDescription(CDescriptionEdit* field, TextEncoding& encoding, const QByteArray& bytes);
    bool IsStoring() const { return m_nUpdating == 0; }

    // Tab strip and buttons.
    void OnSelchangeTab();
    void OnPreview();
    void OnNext();
    void OnInsert();
    void OnDelete();
    // Moves the selected list's current entry by step, when there is one.
    void MoveCurrent(int step);
    void RefreshWithCurrent(CQZMDoc::List list);

    // Field handlers, one per control and notification.
    void OnUpdateDescription();
    void OnUpdateBMDescription();
    void OnUpdateAddress();
    void OnKillfocusAddress();
    void OnUpdateNumber();
    void OnUpdateTimeout();
    void OnKillfocusTimeout();
    void OnBasicVariable();
    void OnParameter();
    void OnChangeProtocol();
    void OnChangeBaudRate();
    void OnChangeParity();
    void OnChangeSetting(const QString& what, QComboBox* list, int stored, bool (CQZMDoc::*store)(int));
    // Gives the selected list's current entry the change, as one step of the
    // history; only a real change marks the document modified.
    void StoreInCurrentBlock(const QString& what, CQZMHistory::Typing typing,
                             const std::function<void(CBlockMemory&)>& change);
    void StoreSetting(const QString& what, const std::function<void()>& change,
                      CQZMHistory::Typing typing = CQZMHistory::Typing::None);
    void OnEditUndo();
    void OnEditRedo();

    CQZMHistory* m_pHistory = nullptr;
    const PrinterSelector* m_pPrinterSelector = nullptr;
    QWidget* m_pForm = nullptr;
    // The blank margins right of and below the form's controls, in pixels.
    QSize m_blankMargin;
    QHash<int, QWidget*> m_controls;
    QList<QObject*> m_focusFilters;

    // The controls the view holds, in binding order.
    QComboBox* m_wndProtocol = nullptr;
    CSpinButton* m_wndTimeoutSpin = nullptr;
    CNumberEdit* m_wndTimeout = nullptr;
    QComboBox* m_wndParity = nullptr;
    QComboBox* m_wndBaudRate = nullptr;
    CDescriptionEdit* m_wndDescription = nullptr;
    CNumberEdit* m_wndNumber = nullptr;
    CNumberEdit* m_wndAddress = nullptr;
    CDescriptionEdit* m_wndBMDescription = nullptr;
    QPushButton* m_wndInsert = nullptr;
    QPushButton* m_wndNext = nullptr;
    QPushButton* m_wndDelete = nullptr;
    QPushButton* m_wndPreview = nullptr;
    QGroupBox* m_wndBlockFrame = nullptr;
    CSpinButton* m_wndNumberSpin = nullptr;
    CSpinButton* m_wndAddressSpin = nullptr;
    CTabStrip* m_wndTab = nullptr;

    // The encoding each description field was shown in.
    TextEncoding m_nDescriptionEncoding = TextEncoding::Local;
    TextEncoding m_nBMDescriptionEncoding = TextEncoding::Local;

    int m_nSetup = 0;
    // Non-zero while the refresh or the one-time set-up writes into the
    // form: the checks run, nothing is stored.
    int m_nUpdating = 0;
    // Set while the program selects a tab.
    bool m_bSelectingTab = false;
};
