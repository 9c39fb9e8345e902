#pragma once

#include "transfer/TransferProgress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

// The modeless "Sending Block Memory" dialog (template 130): a centred
// status line over a progress bar, no buttons. The transfer blocks the UI
// thread, so every change is painted at once.
class CSendDlg : public QDialog, public CTransferProgress
{
    Q_OBJECT

public:
    CSendDlg();
    ~CSendDlg() override;

    bool AskToSave(CDocument& doc) override;
    bool Create(CView* view) override;
    void Destroy() override;
    void SetStatusText(const QString& text) override;
    void SetRange(int upper) override;
    void StepIt() override;
    void ShowChanges() override;
    void ReportFailure(const QString& text, const QString& detailedText) override;

    QLabel* m_wndStatus = nullptr;
    QProgressBar* m_wndProgress = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Flush(QWidget* changed);

    bool m_bTextPending = false;
    bool m_bStepPending = false;
};
