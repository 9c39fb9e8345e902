#include "editor/QZMHistory.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QUndoCommand>

// One step: the document's contents before and after it.
class CContentsCommand : public QUndoCommand
{
public:
    CContentsCommand(CQZMHistory& history, const QString& text, CQZMDoc::List list, CQZMDoc::Contents before,
                     CQZMDoc::Contents after, CQZMHistory::Typing typing, int run)
        : QUndoCommand(text), m_history(history), m_list(list), m_before(std::move(before)),
          m_after(std::move(after)), m_typing(typing), m_nRun(run)
    {
    }

    // The change is made already when the step is recorded.
    void redo() override
    {
        if (m_bDone)
            m_history.Apply(m_after, m_list);
        m_bDone = true;
    }
    void undo() override { m_history.Apply(m_before, m_list); }
    int id() const override { return m_typing == CQZMHistory::Typing::None ? -1 : int(m_typing); }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const CContentsCommand*>(other);
        // Typing on in the same field of the same entry.
        if (next->m_nRun != m_nRun || next->m_list != m_list || CurrentOf(next->m_before) != CurrentOf(m_after))
            return false;
        m_after = next->m_after;
        // Typed back to where it started: nothing left to undo.
        setObsolete(m_after == m_before);
        return true;
    }

private:
    int CurrentOf(const CQZMDoc::Contents& c) const { return m_list == CQZMDoc::List::Read ? c.curRead : c.curWrite; }

    CQZMHistory& m_history;
    CQZMDoc::List m_list;
    CQZMDoc::Contents m_before;
    CQZMDoc::Contents m_after;
    CQZMHistory::Typing m_typing;
    int m_nRun;
    bool m_bDone = false;
};

CQZMHistory::CQZMHistory(QObject* parent) : QObject(parent)
{
    connect(&m_stack, &QUndoStack::indexChanged, this, &CQZMHistory::changed);
    connect(&m_stack, &QUndoStack::cleanChanged, this, &CQZMHistory::changed);
}

void CQZMHistory::WatchKeys()
{
    // Not before the first step: until then there is nothing to undo, and
    // the start does not pay for a filter on every event.
    if (m_bWatching)
        return;
    m_bWatching = true;
    // A step begun in one field does not go on in another.
    connect(qApp, &QApplication::focusChanged, this, [this] { BreakTyping(); });
    qApp->installEventFilter(this);
}

bool CQZMHistory::eventFilter(QObject* watched, QEvent* event)
{
    // A text field claims the undo and redo keys for itself even with
    // nothing of its own to undo; then they undo the document's steps.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool undo = key->matches(QKeySequence::Undo);
        const bool redo = key->matches(QKeySequence::Redo)
            || key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)
            || key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
        bool fieldHasSteps = true;
        // Only the field itself claims them; its parents never do.
        if (auto* line = qobject_cast<QLineEdit*>(watched))
            fieldHasSteps = undo ? line->isUndoAvailable() : line->isRedoAvailable();
        else if (auto* text = qobject_cast<QPlainTextEdit*>(watched))
            fieldHasSteps = undo ? text->document()->isUndoAvailable() : text->document()->isRedoAvailable();
        if ((undo || redo) && !fieldHasSteps) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CQZMHistory::SetDocument(CQZMDoc* doc)
{
    if (m_pDoc == doc)
        return;
    if (m_pDoc)
        disconnect(m_pDoc, nullptr, this, nullptr);
    m_pDoc = doc;
    Reset();
    if (!doc)
        return;
    // Saved (or loaded, or new): this is where the document is unmodified.
    connect(doc, &CDocument::modifiedChanged, this, [this](bool modified) {
        if (!modified)
            m_stack.setClean();
    });
}

void CQZMHistory::Reset()
{
    m_stack.clear();
    m_stack.setClean();
    BreakTyping();
}

bool CQZMHistory::Record(const QString& text, CQZMDoc::List list, const std::function<void()>& change, Typing typing)
{
    if (!m_pDoc || m_pDoc->IsHeld())
        return false;
    // A change made while another is recorded belongs to that one.
    if (m_bRecording) {
        change();
        return true;
    }
    m_bRecording = true;
    CQZMDoc::Contents before = m_pDoc->GetContents();
    change();
    CQZMDoc::Contents after = m_pDoc->GetContents();
    m_bRecording = false;
    if (before == after)
        return true;
    m_pDoc->SetModifiedFlag(true);
    WatchKeys();
    m_stack.push(new CContentsCommand(*this, text, list, std::move(before), std::move(after), typing, m_nTypingRun));
    return true;
}

void CQZMHistory::Apply(const CQZMDoc::Contents& contents, CQZMDoc::List list)
{
    if (m_pDoc && m_pDoc->RestoreContents(contents))
        emit restored(list);
}

bool CQZMHistory::Step(bool undo)
{
    if (!m_pDoc || m_pDoc->IsHeld() || !(undo ? m_stack.canUndo() : m_stack.canRedo()))
        return false;
    BreakTyping();
    if (undo)
        m_stack.undo();
    else
        m_stack.redo();
    // Back where it was saved, the document is unmodified again.
    m_pDoc->SetModifiedFlag(!m_stack.isClean());
    return true;
}

bool CQZMHistory::Undo()
{
    return Step(true);
}

bool CQZMHistory::Redo()
{
    return Step(false);
}

namespace {
bool StepFocusedField(bool undo)
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        if (line->isReadOnly() || !(undo ? line->isUndoAvailable() : line->isRedoAvailable()))
            return false;
        undo ? line->undo() : line->redo();
        return true;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
        QTextDocument* document = text->document();
        if (text->isReadOnly() || !(undo ? document->isUndoAvailable() : document->isRedoAvailable()))
            return false;
        undo ? text->undo() : text->redo();
        return true;
    }
    return false;
}
} // namespace

bool CQZMHistory::UndoInFocusedField()
{
    return StepFocusedField(true);
}

bool CQZMHistory::RedoInFocusedField()
{
    return StepFocusedField(false);
}
