#pragma once

#include "document/QZMDoc.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

class CBlockTableWnd;
class CQZMHistory;
class CQZMView;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;

// One list of the document as table rows. Edits are checked as the form
// checks them and go to the document as steps of its history.
class CBlockTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NumberColumn, DescriptionColumn, AddressColumn, KindColumn, ValueColumn, ColumnCount };

    CBlockTableModel(CBlockTableWnd& window, CQZMDoc::List list);

    CQZMDoc::List List() const { return m_list; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Catches up with the document.
    void Sync();

private:
    const CBlockMemory* Block(int row) const;

    CBlockTableWnd& m_window;
    CQZMDoc::List m_list;
    int m_nRows = 0;
    bool m_bRefusing = false;
};

// View > Block Memory Table: the Read and Write lists as tables beside the
// form. The selected row is the form's current entry; every change is a step
// of the document's history.
class CBlockTableWnd : public QWidget
{
    Q_OBJECT

public:
    CBlockTableWnd(CQZMView* view, QWidget* parent = nullptr);

    CQZMDoc* Document() const;
    CQZMHistory* History() const;
    CQZMView* View() const { return m_pView; }

    CQZMDoc::List CurrentList() const;
    QTableView* Table(CQZMDoc::List list) const;
    CBlockTableModel* Model(CQZMDoc::List list) const;

    // The commands of the buttons and keys, on the shown list.
    void OnInsert();
    void OnDelete();
    void OnMove(int step);
    void OnCopy();
    void OnPaste();
    void OnUndo();
    void OnRedo();

    // Gives the entry new values as one step; false when refused.
    bool EditBlock(CQZMDoc::List list, int row, const CBlockMemory& block, const QString& what);
    // Pastes spreadsheet rows after the current one: all or nothing, a
    // message when nothing. False when refused.
    bool PasteRows(const QString& text);

private:
    void CreateTables();
    void CreateButtons(QHBoxLayout*& edits, QHBoxLayout*& clip);
    // The window's own keys; a cell being edited keeps its own.
    void AddKeys();
    QList<int> SelectedRows() const;
    void SelectRows(CQZMDoc::List list, int first, int count);
    void Sync();
    void ShowCurrent(CQZMDoc::List list);
    void OnRowChosen(CQZMDoc::List list);
    void UpdateButtons();
    void Report(const QString& text);

    QPointer<CQZMView> m_pView;
    QTabWidget* m_pTabs = nullptr;
    QTableView* m_tables[2] = {nullptr, nullptr};
    CBlockTableModel* m_models[2] = {nullptr, nullptr};
    QPushButton* m_pInsert = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pUp = nullptr;
    QPushButton* m_pDown = nullptr;
    QPushButton* m_pCopy = nullptr;
    QPushButton* m_pPaste = nullptr;
    QPushButton* m_pUndo = nullptr;
    QPushButton* m_pRedo = nullptr;
    QStatusBar* m_pStatus = nullptr;
    bool m_bSyncing = false;
};
