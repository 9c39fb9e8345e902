#pragma once

#include "document/QZMDoc.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <functional>

// Undo and redo of every change the user makes to the document, in the form
// and in the Block Memory table. Each step keeps the document's contents
// before and after it, so undoing a step puts back exactly what it changed,
// current entries included. New and Open start a fresh history; saving marks
// the place where the document is unmodified again.
class CQZMHistory : public QObject
{
    Q_OBJECT

public:
    // Typing into one field for one entry makes one step, not one per key.
    enum class Typing { None, Description, BMDescription, Address, Number, Timeout };

    explicit CQZMHistory(QObject* parent = nullptr);

    void SetDocument(CQZMDoc* doc);
    CQZMDoc* Document() const { return m_pDoc; }
    QUndoStack* Stack() { return &m_stack; }

    // Runs change on the document and keeps what it did as one step named
    // text; list names the list it is about. A change that changed nothing
    // leaves no step. False, with nothing run, while the document is held.
    bool Record(const QString& text, CQZMDoc::List list, const std::function<void()>& change,
                Typing typing = Typing::None);
    // The next typing starts a step of its own.
    void BreakTyping() { ++m_nTypingRun; }

    bool CanUndo() const { return m_stack.canUndo(); }
    bool CanRedo() const { return m_stack.canRedo(); }
    bool Undo();
    bool Redo();
    // A fresh history for a new or opened document.
    void Reset();

    // The text field that has the focus takes undo and redo first, while it
    // has something of its own to undo or redo.
    static bool UndoInFocusedField();
    static bool RedoInFocusedField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // An undo or redo changed the document; list is the list of the step.
    void restored(CQZMDoc::List list);
    void changed();

private:
    friend class CContentsCommand;
    void Apply(const CQZMDoc::Contents& contents, CQZMDoc::List list);
    bool Step(bool undo);
    void WatchKeys();

    QUndoStack m_stack;
    QPointer<CQZMDoc> m_pDoc;
    int m_nTypingRun = 0;
    bool m_bRecording = false;
    bool m_bWatching = false;
};
