#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "editor/FormLimits.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QComboBox>

using namespace FormLimits;

// Handlers of the form's fields, radio buttons and lists: each accepted
// input goes straight into the document.

namespace {
// Only a real change marks the document modified.
template <typename Field, typename Value>
void StoreValue(CQZMDoc& doc, Field& field, const Value& value)
{
    if (field == value)
        return;
    field = value;
    doc.SetModifiedFlag(true);
}
} // namespace

void CQZMView::OnUpdateDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    StoreValue(*doc, doc->m_strDescription, UiTextToDocument(m_wndDescription->Text()));
}

void CQZMView::OnUpdateBMDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !m_wndBMDescription->isEnabled() || !IsStoring())
        return;
    const QByteArray text = UiTextToDocument(m_wndBMDescription->Text());
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block)
        StoreValue(*doc, block->m_strDescription, text);
}

void CQZMView::OnUpdateAddress()
{
    if (!m_wndAddress->isEnabled())
        return;
    const int address = ReadFieldNumber(m_wndAddress->text());
    if (address >= kAddressMin && address <= kAddressMax) {
        SetStatusText(CStringTable::Load(IDS_READY));
        CQZMDoc* doc = GetDocument();
        CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr;
        if (IsStoring() && block)
            StoreValue(*doc, block->m_nAddress, address);
    } else {
        SetStatusText(FormatPrintfMessage(IDS_INVALID_ADDRESS,
                                         {QString::number(kAddressMin), QString::number(kAddressMax)}));
        // The next digit typed replaces the bad address.
        m_wndAddress->selectAll();
    }
}

void CQZMView::OnKillfocusAddress()
{
    // A refresh that disables the focused field writes its own values.
    if (!m_wndAddress->isEnabled() || !IsStoring())
        return;
    const int address = ReadFieldNumber(m_wndAddress->text());
    if (address >= kAddressMin && address <= kAddressMax)
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
    CQZMDoc* doc = GetDocument();
    CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr;
    if (IsStoring() && block)
        StoreValue(*doc, block->m_nNumber, number);
}

void CQZMView::OnUpdateTimeout()
{
    if (!m_wndTimeout->isEnabled())
        return;
    const int timeout = m_wndTimeout->TakeNumber();
    if (timeout >= kTimeoutMin && timeout <= kTimeoutMax) {
        SetStatusText(CStringTable::Load(IDS_READY));
        CQZMDoc* doc = GetDocument();
        if (IsStoring() && doc)
            StoreValue(*doc, doc->m_nTimeout, timeout);
    } else {
        SetStatusText(FormatPrintfMessage(IDS_INVALID_TIMEOUT, {QString::number(kTimeoutMin),
                                                               QString::number(kTimeoutMax), QStringLiteral("msec")}));
    }
}

void CQZMView::OnKillfocusTimeout()
{
    CQZMDoc* doc = GetDocument();
    // A refresh that disables the focused field writes its own values.
    if (!doc || !IsStoring())
        return;
    int timeout = ReadFieldNumber(m_wndTimeout->text());
    if (timeout < kTimeoutMin || timeout > kTimeoutMax) {
        timeout = doc->m_nTimeout;
        m_wndTimeout->WriteText(QString::number(timeout));
    }
    StoreValue(*doc, doc->m_nTimeout, timeout);
}

void CQZMView::OnBasicVariable()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_BASIC_VARIABLE)->isEnabled() || !IsStoring())
        return;
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block)
        StoreValue(*doc, block->m_bParameter, 0);
}

void CQZMView::OnParameter()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_PARAMETER)->isEnabled() || !IsStoring())
        return;
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block && block->m_bParameter == 0) {
        block->m_bParameter = 1;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnChangeProtocol()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    const int selected = m_wndProtocol->currentIndex();
    if (selected == doc->m_nProtocol)
        return;
    if (selected < 0) {
        // Nothing chosen: show the stored protocol again. Nothing changed,
        // so its settings are not forced either.
        SelectEntry(m_wndProtocol, doc->m_nProtocol);
        return;
    }
    doc->m_nProtocol = selected;
    doc->SetModifiedFlag(true);
    OnUpdate(nullptr, 1, nullptr);
}

void CQZMView::OnChangeBaudRate()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(m_wndBaudRate, doc->m_nBaudRate);
}

void CQZMView::OnChangeParity()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(m_wndParity, doc->m_nParity);
}

void CQZMView::OnChangeSetting(QComboBox* list, qint32& stored)
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
    StoreValue(*GetDocument(), stored, selected);
}
