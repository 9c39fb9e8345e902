#pragma once

#include "framework/Document.h"

#include <QString>

class CView;

// Where a transfer shows its progress and reports its failures: the
// progress dialog in the window, stderr for the command line.
class CTransferProgress
{
public:
    virtual ~CTransferProgress() = default;

    // The save prompt before anything is shown; false stops the transfer.
    virtual bool AskToSave(CDocument& doc) { return doc.SaveModified(); }

    // Brings the display up over the view (nullptr: there is none).
    // False when it cannot be created.
    virtual bool Create(CView* view) = 0;
    // Takes the display down; nothing happens when it was never created.
    virtual void Destroy() = 0;

    virtual void SetStatusText(const QString& text) = 0;
    // Range 0..upper, position 0, step 1.
    virtual void SetRange(int upper) = 0;
    virtual void StepIt() = 0;
    // A display that paints the status text and steps later does it now
    // (while a telegram is on the line); they are shown before any failure
    // is reported too.
    virtual void ShowChanges() {}

    // A failure, reported while the display is still up; returns once the
    // user has taken note of it.
    virtual void ReportFailure(const QString& text, const QString& detailedText) = 0;
};
