#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "document/QZMFields.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QComboBox>

using namespace QZMFields;

// Handlers of the form's fields, radio buttons and lists: each accepted
// input goes straight into the document.

void CQZMView::StoreInCurrentBlock(const QString& what, CQZMHistory::Typing typing,
                                   const std::function<void(CBlockMemory&)>& change)
{
    CQZMDoc* doc = GetDocument();
    const CQZMDoc::List list = SelectedList();
    const CBlockMemory* block = doc ? doc->CurrentBlock(list) : nullptr;
    if (!block)
        return;
    CBlockMemory changed = *block;
    change(changed);
    m_pHistory->Record(what, list, [&] { doc->SetBlock(list, doc->CurrentIndex(list), changed); }, typing);
}

void CQZMView::StoreSetting(const QString& what, const std::function<void()>& change, CQZMHistory::Typing typing)
{
    m_pHistory->Record(what, SelectedList(), change, typing);
}

void CQZMView::OnUpdateDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    const QByteArray text = UiTextToDocument(m_wndDescription->Text(), m_nDescriptionEncoding);
    StoreSetting(tr("Description of this QZM"), [&] { doc->SetDescription(text); }, CQZMHistory::Typing::Description);
}

void CQZMView::OnUpdateBMDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !m_wndBMDescription->isEnabled() || !IsStoring())
        return;
    const QByteArray text = UiTextToDocument(m_wndBMDescription->Text(), m_nBMDescriptionEncoding);
    StoreInCurrentBlock(tr("Description"), CQZMHistory::Typing::BMDescription,
                        [&text](CBlockMemory& block) { block.m_strDescription = text; });
}

void CQZMView::OnUpdateAddress()
{
    if (!m_wndAddress->isEnabled())
        return;
    const int address = ReadFieldNumber(m_wndAddress->text());
    if (kAddress.Contains(address)) {
        SetStatusText(CStringTable::Load(IDS_READY));
        if (IsStoring())
            StoreInCurrentBlock(tr("Address in network"), CQZMHistory::Typing::Address,
                                [address](CBlockMemory& block) { block.m_nAddress = address; });
    } else {
        SetStatusText(AddressRangeMessage());
        // The next digit typed replaces the bad address.
        m_wndAddress->selectAll();
    }
}

QStringList CQZMView::LongestStatusMessages() const
{
    return {AddressRangeMessage(), TimeoutRangeMessage()};
}

void CQZMView::OnKillfocusAddress()
{
    // A refresh that disables the focused field writes its own values.
    if (!m_wndAddress->isEnabled() || !IsStoring())
        return;
    if (kAddress.Contains(ReadFieldNumber(m_wndAddress->text())))
        return;
    CQZMDoc* doc = GetDocument();
    if (const CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr)
        m_wndAddress->WriteText(block->GetAddressText());
}

void CQZMView::OnUpdateNumber()
{
    if (!m_wndNumber->isEnabled())
        return;
    const int number = m_wndNumber->TakeNumber();
    if (IsStoring())
        StoreInCurrentBlock(tr("Parameter/Variable number"), CQZMHistory::Typing::Number,
                            [number](CBlockMemory& block) { block.m_nNumber = number; });
}

void CQZMView::OnUpdateTimeout()
{
    if (!m_wndTimeout->isEnabled())
        return;
    const int timeout = m_wndTimeout->TakeNumber();
    if (kTimeout.Contains(timeout)) {
        SetStatusText(CStringTable::Load(IDS_READY));
        CQZMDoc* doc = GetDocument();
        if (IsStoring() && doc)
            StoreSetting(tr("Timeout"), [&] { doc->SetTimeout(timeout); }, CQZMHistory::Typing::Timeout);
    } else {
        SetStatusText(TimeoutRangeMessage());
    }
}

void CQZMView::OnKillfocusTimeout()
{
    CQZMDoc* doc = GetDocument();
    // A refresh that disables the focused field writes its own values.
    if (!doc || !IsStoring())
        return;
    int timeout = ReadFieldNumber(m_wndTimeout->text());
    if (!kTimeout.Contains(timeout)) {
        timeout = doc->Timeout();
        m_wndTimeout->WriteText(QString::number(timeout));
    }
    StoreSetting(tr("Timeout"), [&] { doc->SetTimeout(timeout); }, CQZMHistory::Typing::Timeout);
}

void CQZMView::OnBasicVariable()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_BASIC_VARIABLE)->isEnabled() || !IsStoring())
        return;
    StoreInCurrentBlock(tr("Basic Variable"), CQZMHistory::Typing::None,
                        [](CBlockMemory& block) { block.m_bParameter = 0; });
}

void CQZMView::OnParameter()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_PARAMETER)->isEnabled() || !IsStoring())
        return;
    // Any non-zero flag already means Parameter and stays as it is.
    StoreInCurrentBlock(tr("Parameter"), CQZMHistory::Typing::None, [](CBlockMemory& block) {
        if (block.m_bParameter == 0)
            block.m_bParameter = 1;
    });
}

void CQZMView::OnChangeProtocol()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    const int selected = m_wndProtocol->currentIndex();
    if (selected == doc->Protocol())
        return;
    if (selected < 0) {
        // Nothing chosen: show the stored protocol again. Nothing changed,
        // so its settings are not forced either.
        SelectEntry(m_wndProtocol, doc->Protocol());
        return;
    }
    // The document applies the settings the protocol brings.
    StoreSetting(tr("Protocol"), [&] { doc->ChooseProtocol(selected); });
    OnUpdate(nullptr, 0, nullptr);
}

void CQZMView::OnChangeBaudRate()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(tr("Baudrate"), m_wndBaudRate, doc->BaudRate(), &CQZMDoc::SetBaudRate);
}

void CQZMView::OnChangeParity()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(tr("Parity"), m_wndParity, doc->Parity(), &CQZMDoc::SetParity);
}

void CQZMView::OnChangeSetting(const QString& what, QComboBox* list, int stored, bool (CQZMDoc::*store)(int))
{
    // The refresh's own selections and enabling are not the user's choice.
    if (!IsStoring())
        return;
    int selected = list->currentIndex();
    if (selected < 0) {
        SelectEntry(list, stored);
        selected = list->currentIndex();
        if (selected < 0)
            return;
    }
    CQZMDoc* doc = GetDocument();
    StoreSetting(what, [&] { (doc->*store)(selected); });
}
