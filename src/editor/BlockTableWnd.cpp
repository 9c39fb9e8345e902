#include "editor/BlockTableWnd.h"

#include "editor/BlockRows.h"
#include "editor/FormControls.h"
#include "editor/QZMHistory.h"
#include "editor/QZMView.h"
#include "document/QZMFields.h"
#include "framework/Interaction.h"
#include "framework/WindowAccessible.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

using namespace QZMFields;

namespace {
// Line breaks of a description shown within its one-line cell.
constexpr QChar kLineBreakMark(0x21B5);

QString CellText(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), kLineBreakMark);
}

QString TextOfCell(const QString& cell)
{
    return QString(cell).replace(kLineBreakMark, QLatin1Char('\n'));
}

QString ListName(CQZMDoc::List list)
{
    return list == CQZMDoc::List::Write ? QStringLiteral("Write") : QStringLiteral("Read");
}

// The form's own fields as cell editors: the same typed limits and lists.
class CBlockCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        switch (index.column()) {
        case CBlockTableModel::AddressColumn:
        case CBlockTableModel::ValueColumn: {
            auto* edit = new CNumberEdit(parent);
            edit->SetTypedLimit(index.column() == CBlockTableModel::AddressColumn ? kAddressDigits : kNumberDigits);
            edit->setAccessibleName(BlockTableHeaders().at(index.column()));
            return edit;
        }
        case CBlockTableModel::KindColumn: {
            auto* list = new QComboBox(parent);
            list->addItems({CBlockMemory::KindName(true), CBlockMemory::KindName(false)});
            list->setAccessibleName(BlockTableHeaders().at(index.column()));
            return list;
        }
        default:
            return QStyledItemDelegate::createEditor(parent, option, index);
        }
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* list = qobject_cast<QComboBox*>(editor))
            list->setCurrentText(index.data(Qt::EditRole).toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* list = qobject_cast<QComboBox*>(editor))
            model->setData(index, list->currentText(), Qt::EditRole);
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            model->setData(index, edit->text(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
};
} // namespace

CBlockTableModel::CBlockTableModel(CBlockTableWnd& window, CQZMDoc::List list)
    : QAbstractTableModel(&window), m_window(window), m_list(list)
{
    if (CQZMDoc* doc = window.Document())
        m_nRows = int(doc->Blocks(list).size());
}

const CBlockMemory* CBlockTableModel::Block(int row) const
{
    CQZMDoc* doc = m_window.Document();
    return doc && row >= 0 && row < doc->Blocks(m_list).size() ? doc->Blocks(m_list).at(row) : nullptr;
}

int CBlockTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CBlockTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CBlockTableModel::data(const QModelIndex& index, int role) const
{
    const CBlockMemory* block = Block(index.row());
    if (!block)
        return {};
    const QString description = DocumentTextToUi(block->m_strDescription).text;
    if (role == Qt::ToolTipRole && index.column() == DescriptionColumn)
        return description.isEmpty() ? QVariant() : QVariant(description);
    if (role == Qt::TextAlignmentRole && index.column() != DescriptionColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
    case NumberColumn: return index.row() + 1;
    case DescriptionColumn: return role == Qt::AccessibleTextRole ? description : CellText(description);
    case AddressColumn: return block->GetAddressText();
    case KindColumn:
        if (role == Qt::AccessibleTextRole)
            return QLatin1String(block->m_bParameter ? "Parameter" : "Basic Variable");
        return block->KindName();
    case ValueColumn: return block->GetNumberText();
    }
    return {};
}

QVariant CBlockTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return BlockTableHeaders().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CBlockTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() != NumberColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool CBlockTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const CBlockMemory* stored = Block(index.row());
    // A refusal's message takes the focus from the editor, which would
    // hand in the same value again.
    if (role != Qt::EditRole || !stored || m_bRefusing)
        return false;
    const QString text = value.toString();
    CBlockMemory block = *stored;
    QString what;
    switch (index.column()) {
    case DescriptionColumn:
        block.m_strDescription = UiTextToDocument(TextOfCell(text), DocumentTextToUi(stored->m_strDescription).encoding);
        what = QStringLiteral("Description");
        break;
    case AddressColumn: {
        const int address = ReadFieldNumber(text);
        if (!kAddress.Contains(address)) {
            m_bRefusing = true;
            AfxMessageBox(AddressRangeMessage());
            m_bRefusing = false;
            return false;
        }
        block.m_nAddress = address;
        what = QStringLiteral("Address in network");
        break;
    }
    case KindColumn:
        // Any non-zero flag already means Parameter.
        if (text == CBlockMemory::KindName(false))
            block.m_bParameter = 0;
        else if (block.m_bParameter == 0)
            block.m_bParameter = 1;
        what = block.m_bParameter ? QStringLiteral("Parameter") : QStringLiteral("Basic Variable");
        break;
    case ValueColumn:
        // Digits only and at most four, as in the form: always in range.
        block.m_nNumber = ReadFieldNumber(PlainSpinText(text).isEmpty() ? text : PlainSpinText(text));
        what = QStringLiteral("Parameter/Variable number");
        break;
    default:
        return false;
    }
    return m_window.EditBlock(m_list, index.row(), block, what);
}

void CBlockTableModel::Sync()
{
    CQZMDoc* doc = m_window.Document();
    const int rows = doc ? int(doc->Blocks(m_list).size()) : 0;
    if (rows != m_nRows) {
        beginResetModel();
        m_nRows = rows;
        endResetModel();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1));
    }
}

CBlockTableWnd::CBlockTableWnd(CQZMView* view, QWidget* parent) : QWidget(parent, Qt::Window), m_pView(view)
{
    MarkAsAccessibleWindow(this);
    setObjectName(QStringLiteral("IDD_BLOCK_TABLE"));
    setWindowTitle(QStringLiteral("Block Memory Table"));
    setAccessibleName(windowTitle());

    CreateTables();
    QHBoxLayout* edits = nullptr;
    QHBoxLayout* clip = nullptr;
    CreateButtons(edits, clip);

    m_pStatus = new QStatusBar(this);
    m_pStatus->setSizeGripEnabled(false);
    m_pStatus->setAccessibleName(QStringLiteral("Status"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs, 1);
    layout->addLayout(edits);
    layout->addLayout(clip);
    layout->addWidget(m_pStatus);

    AddKeys();

    if (CQZMDoc* doc = Document())
        connect(doc, &CDocument::contentsTouched, this, &CBlockTableWnd::Sync);
    if (view) {
        connect(view, &CQZMView::entryShown, this, [this](CQZMDoc::List list) {
            Sync();
            ShowCurrent(list);
        });
        connect(view->History(), &CQZMHistory::changed, this, &CBlockTableWnd::UpdateButtons);
        ShowCurrent(view->SelectedList());
    }
    QFontMetrics metrics(font());
    QSize first(metrics.horizontalAdvance(QLatin1Char('x')) * 90, metrics.height() * 30);
    // Never larger than the screen, whatever the scale: the buttons stay in reach.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        first = first.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(first);
    // The keyboard starts in the table; the tabs are one Tab key away.
    setFocusProxy(Table(CurrentList()));
    UpdateButtons();
}

void CBlockTableWnd::CreateTables()
{
    m_pTabs = new QTabWidget(this);
    m_pTabs->setAccessibleName(QStringLiteral("Lists"));
    for (const CQZMDoc::List list : {CQZMDoc::List::Read, CQZMDoc::List::Write}) {
        const int i = int(list);
        m_models[i] = new CBlockTableModel(*this, list);
        auto* table = new QTableView(m_pTabs);
        m_tables[i] = table;
        table->setObjectName(QStringLiteral("IDC_%1_TABLE").arg(ListName(list).toUpper()));
        table->setAccessibleName(ListName(list) + QStringLiteral(" list"));
        table->setAccessibleDescription(QStringLiteral("Block Memories in the order of their telegrams"));
        table->setModel(m_models[i]);
        table->setItemDelegate(new CBlockCellDelegate(table));
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::ExtendedSelection);
        table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed);
        table->setTabKeyNavigation(false);
        table->verticalHeader()->hide();
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        table->horizontalHeader()->setSectionResizeMode(CBlockTableModel::DescriptionColumn, QHeaderView::Stretch);
        table->setWordWrap(false);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
        m_pTabs->addTab(table, ListName(list));
        connect(m_models[i], &QAbstractItemModel::modelReset, this, [this, list] { ShowCurrent(list); });
        connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, list] { OnRowChosen(list); });
        connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CBlockTableWnd::UpdateButtons);
    }
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this] { OnRowChosen(CurrentList()); });
}

void CBlockTableWnd::CreateButtons(QHBoxLayout*& edits, QHBoxLayout*& clip)
{
    auto button = [this](const QString& text, const QString& name, const QString& description, void (CBlockTableWnd::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setAccessibleName(name);
        b->setAccessibleDescription(description);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_pInsert = button(QStringLiteral("&Insert"), QStringLiteral("Insert"),
                       QStringLiteral("A new Block Memory after the selected one (Insert)"), &CBlockTableWnd::OnInsert);
    m_pDelete = button(QStringLiteral("&Delete"), QStringLiteral("Delete"),
                       QStringLiteral("Deletes the selected Block Memories (Delete)"), &CBlockTableWnd::OnDelete);
    m_pUp = new QPushButton(QStringLiteral("Move &Up"), this);
    m_pUp->setAccessibleName(QStringLiteral("Move Up"));
    m_pUp->setAccessibleDescription(QStringLiteral("Sends the selected Block Memory earlier (Alt+Up)"));
    m_pDown = new QPushButton(QStringLiteral("Move Do&wn"), this);
    m_pDown->setAccessibleName(QStringLiteral("Move Down"));
    m_pDown->setAccessibleDescription(QStringLiteral("Sends the selected Block Memory later (Alt+Down)"));
    for (QPushButton* b : {m_pUp, m_pDown})
        b->setAutoDefault(false);
    connect(m_pUp, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { OnMove(1); });
    m_pCopy = button(QStringLiteral("&Copy"), QStringLiteral("Copy"),
                     QStringLiteral("Copies the selected rows for a spreadsheet (Ctrl+C)"), &CBlockTableWnd::OnCopy);
    m_pPaste = button(QStringLiteral("&Paste"), QStringLiteral("Paste"),
                      QStringLiteral("Pastes rows from a spreadsheet after the selected one (Ctrl+V)"),
                      &CBlockTableWnd::OnPaste);
    m_pUndo = button(QStringLiteral("U&ndo"), QStringLiteral("Undo"), QString(), &CBlockTableWnd::OnUndo);
    m_pRedo = button(QStringLiteral("&Redo"), QStringLiteral("Redo"), QString(), &CBlockTableWnd::OnRedo);

    edits = new QHBoxLayout;
    for (QPushButton* b : {m_pInsert, m_pDelete, m_pUp, m_pDown})
        edits->addWidget(b);
    edits->addStretch();
    clip = new QHBoxLayout;
    for (QPushButton* b : {m_pCopy, m_pPaste})
        clip->addWidget(b);
    clip->addStretch();
    for (QPushButton* b : {m_pUndo, m_pRedo})
        clip->addWidget(b);
}

void CBlockTableWnd::AddKeys()
{
    // Keys of the window; a cell being edited keeps its own.
    struct Key
    {
        QList<QKeySequence> keys;
        std::function<void()> run;
    };
    const Key keys[] = {
        {{QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { OnUndo(); }},
        {{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}, [this] { OnRedo(); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_C)}, [this] { OnCopy(); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_V)}, [this] { OnPaste(); }},
        {{QKeySequence(Qt::Key_Delete)}, [this] { OnDelete(); }},
        {{QKeySequence(Qt::Key_Insert)}, [this] { OnInsert(); }},
        {{QKeySequence(Qt::ALT | Qt::Key_Up)}, [this] { OnMove(-1); }},
        {{QKeySequence(Qt::ALT | Qt::Key_Down)}, [this] { OnMove(1); }},
    };
    for (const Key& key : keys) {
        auto* action = new QAction(this);
        action->setShortcuts(key.keys);
        connect(action, &QAction::triggered, this, key.run);
        addAction(action);
    }
}

CQZMDoc* CBlockTableWnd::Document() const
{
    return m_pView ? m_pView->GetDocument() : nullptr;
}

CQZMHistory* CBlockTableWnd::History() const
{
    return m_pView ? m_pView->History() : nullptr;
}

CQZMDoc::List CBlockTableWnd::CurrentList() const
{
    return m_pTabs->currentIndex() == 1 ? CQZMDoc::List::Write : CQZMDoc::List::Read;
}

QTableView* CBlockTableWnd::Table(CQZMDoc::List list) const
{
    return m_tables[int(list)];
}

CBlockTableModel* CBlockTableWnd::Model(CQZMDoc::List list) const
{
    return m_models[int(list)];
}

void CBlockTableWnd::Sync()
{
    if (m_bSyncing)
        return;
    m_bSyncing = true;
    for (CBlockTableModel* model : m_models)
        model->Sync();
    m_bSyncing = false;
    UpdateButtons();
}

void CBlockTableWnd::ShowCurrent(CQZMDoc::List list)
{
    CQZMDoc* doc = Document();
    if (!doc || m_bSyncing)
        return;
    m_bSyncing = true;
    m_pTabs->setCurrentIndex(int(list));
    for (const CQZMDoc::List each : {CQZMDoc::List::Read, CQZMDoc::List::Write}) {
        QTableView* table = Table(each);
        const int current = doc->CurrentIndex(each);
        const QModelIndex index = Model(each)->index(current, CBlockTableModel::DescriptionColumn);
        // A row chosen among several selected stays among them.
        const bool kept = table->selectionModel()->isRowSelected(current, {});
        if (!index.isValid())
            table->selectionModel()->clearSelection();
        else if (table->currentIndex().row() != current || !kept)
            table->selectionModel()->setCurrentIndex(index, kept ? QItemSelectionModel::NoUpdate
                                                                 : QItemSelectionModel::ClearAndSelect
                                                                       | QItemSelectionModel::Rows);
        if (index.isValid())
            table->scrollTo(index);
    }
    m_bSyncing = false;
    UpdateButtons();
}

void CBlockTableWnd::OnRowChosen(CQZMDoc::List list)
{
    CQZMDoc* doc = Document();
    if (m_bSyncing || !doc || !m_pView)
        return;
    const int row = Table(list)->currentIndex().row();
    if (row >= 0)
        doc->SetCurrentIndex(list, row);
    // The form follows: the list's tab with the chosen entry.
    m_bSyncing = true;
    m_pView->ShowList(list);
    m_bSyncing = false;
    UpdateButtons();
}

QList<int> CBlockTableWnd::SelectedRows() const
{
    QList<int> rows;
    QTableView* table = Table(CurrentList());
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && table->currentIndex().isValid())
        rows << table->currentIndex().row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CBlockTableWnd::SelectRows(CQZMDoc::List list, int first, int count)
{
    QTableView* table = Table(list);
    CBlockTableModel* model = Model(list);
    m_bSyncing = true;
    QItemSelection selection(model->index(first, 0), model->index(first + count - 1, CBlockTableModel::ColumnCount - 1));
    table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_bSyncing = false;
}

void CBlockTableWnd::UpdateButtons()
{
    CQZMDoc* doc = Document();
    CQZMHistory* history = History();
    const bool editable = doc && !doc->IsHeld();
    const CQZMDoc::List list = CurrentList();
    const int count = doc ? int(doc->Blocks(list).size()) : 0;
    const int current = doc ? doc->CurrentIndex(list) : -1;
    m_pInsert->setEnabled(editable && !doc->IsFull(list));
    m_pDelete->setEnabled(editable && count > 0);
    m_pUp->setEnabled(editable && current > 0);
    m_pDown->setEnabled(editable && current >= 0 && current < count - 1);
    m_pCopy->setEnabled(count > 0);
    m_pPaste->setEnabled(editable && !doc->IsFull(list));
    m_pUndo->setEnabled(editable && history && history->CanUndo());
    m_pRedo->setEnabled(editable && history && history->CanRedo());
    if (history) {
        m_pUndo->setToolTip(QStringLiteral("Undo %1 (Ctrl+Z)").arg(history->Stack()->undoText()));
        m_pRedo->setToolTip(QStringLiteral("Redo %1 (Ctrl+Shift+Z)").arg(history->Stack()->redoText()));
        m_pUndo->setAccessibleDescription(m_pUndo->toolTip());
        m_pRedo->setAccessibleDescription(m_pRedo->toolTip());
    }
}

void CBlockTableWnd::Report(const QString& text)
{
    m_pStatus->showMessage(text);
    if (m_pView)
        m_pView->SetStatusText(text);
}

bool CBlockTableWnd::EditBlock(CQZMDoc::List list, int row, const CBlockMemory& block, const QString& what)
{
    CQZMDoc* doc = Document();
    CQZMHistory* history = History();
    if (!doc || !history)
        return false;
    const bool done = history->Record(what, list, [&] {
        doc->SetCurrentIndex(list, row);
        doc->SetBlock(list, row, block);
    });
    if (done && m_pView)
        m_pView->ShowList(list);
    return done;
}

void CBlockTableWnd::OnInsert()
{
    CQZMDoc* doc = Document();
    const CQZMDoc::List list = CurrentList();
    if (!doc || !History() || doc->IsFull(list))
        return;
    const QList<int> rows = SelectedRows();
    bool inserted = false;
    History()->Record(QStringLiteral("Insert"), list, [&] {
        if (!rows.isEmpty())
            doc->SetCurrentIndex(list, rows.last());
        inserted = doc->InsertBlock(list);
    });
    if (inserted && m_pView)
        m_pView->ShowList(list);
}

void CBlockTableWnd::OnDelete()
{
    CQZMDoc* doc = Document();
    const CQZMDoc::List list = CurrentList();
    const QList<int> rows = SelectedRows();
    if (!doc || !History() || rows.isEmpty())
        return;
    int deleted = 0;
    History()->Record(QStringLiteral("Delete"), list, [&] {
        for (int i = int(rows.size()) - 1; i >= 0; --i)
            if (doc->SetCurrentIndex(list, rows.at(i)) && doc->DeleteBlock(list))
                ++deleted;
    });
    if (!deleted || !m_pView)
        return;
    m_pView->ShowList(list);
    m_pStatus->showMessage(m_pView->ReportDeleted(list, rows.first(), deleted));
}

void CBlockTableWnd::OnMove(int step)
{
    CQZMDoc* doc = Document();
    const CQZMDoc::List list = CurrentList();
    const int current = doc ? doc->CurrentIndex(list) : -1;
    if (!doc || !History() || current < 0)
        return;
    bool moved = false;
    History()->Record(step < 0 ? QStringLiteral("Move Up") : QStringLiteral("Move Down"), list,
                      [&] { moved = doc->MoveBlock(list, current, current + step); });
    if (moved && m_pView)
        m_pView->ShowList(list);
}

void CBlockTableWnd::OnCopy()
{
    CQZMDoc* doc = Document();
    if (!doc)
        return;
    QList<CBlockMemory> blocks;
    for (int row : SelectedRows())
        if (row < doc->Blocks(CurrentList()).size())
            blocks << *doc->Blocks(CurrentList()).at(row);
    if (blocks.isEmpty())
        return;
    QApplication::clipboard()->setText(BlockRowsText(blocks));
    Report(blocks.size() == 1 ? QStringLiteral("1 row copied") : QStringLiteral("%1 rows copied").arg(blocks.size()));
}

void CBlockTableWnd::OnPaste()
{
    PasteRows(QApplication::clipboard()->text());
}

bool CBlockTableWnd::PasteRows(const QString& text)
{
    CQZMDoc* doc = Document();
    const CQZMDoc::List list = CurrentList();
    if (!doc || !History() || doc->IsHeld())
        return false;
    const BlockRowsParse parsed = ParseBlockRows(text);
    if (!parsed.error.isEmpty()) {
        AfxMessageBox(QStringLiteral("Nothing was pasted.\n%1").arg(parsed.error));
        return false;
    }
    const int count = int(doc->Blocks(list).size());
    if (count + parsed.blocks.size() > kMaxBlocks) {
        AfxMessageBox(QStringLiteral("Nothing was pasted.\nThe %1 list holds at most %2 Block Memories: it has %3, "
                                     "and %4 rows would make %5.")
                          .arg(ListName(list))
                          .arg(kMaxBlocks)
                          .arg(count)
                          .arg(parsed.blocks.size())
                          .arg(count + parsed.blocks.size()));
        return false;
    }
    const QList<int> rows = SelectedRows();
    const int at = rows.isEmpty() ? count : rows.last() + 1;
    bool pasted = false;
    History()->Record(QStringLiteral("Paste"), list, [&] { pasted = doc->InsertBlocks(list, at, parsed.blocks); });
    if (!pasted)
        return false;
    if (m_pView)
        m_pView->ShowList(list);
    SelectRows(list, at, int(parsed.blocks.size()));
    Report(QStringLiteral("%1 rows pasted into the %2 list").arg(parsed.blocks.size()).arg(ListName(list)));
    return true;
}

void CBlockTableWnd::OnUndo()
{
    if (!CQZMHistory::UndoInFocusedField() && History())
        History()->Undo();
}

void CBlockTableWnd::OnRedo()
{
    if (!CQZMHistory::RedoInFocusedField() && History())
        History()->Redo();
}
