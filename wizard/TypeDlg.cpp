#include "wizard/TypeDlg.h"

#include <vector>

#include "support/Handle.h"
#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/PageLayout.h"
#include "wizard/res/resource.h"

CTypeDlg::CTypeDlg(InstallContext& context)
    : CNewWizPage(IDD_MODEL), m_context(context)
{
}

BOOL CTypeDlg::OnInitDialog()
{
    // The plain dialog look: this page skips the page initialisation.
    CDialog::OnInitDialog();
    SetItemText(IDC_MODEL_LABEL, ResString(IDS_MODEL_LABEL));
    ShowPicture(IDC_PAGE_PICTURE, IDB_BANNER_MODEL, PictureAnchor::Top);

    m_catalogue = BuildModelCatalogue(GetProgramFolder());
    for (const PrinterModel& model : m_catalogue)
        SendItem(IDC_MODEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(model.displayName.c_str()));

    if (SendItem(IDC_MODEL_LIST, LB_GETCOUNT) == 1) {
        SendItem(IDC_MODEL_LIST, LB_SETCURSEL, 0);
        OnModelSelChange();
    }
    return TRUE;
}

bool CTypeDlg::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    if (id == IDC_MODEL_LIST && notifyCode == LBN_SELCHANGE) {
        OnModelSelChange();
        return true;
    }
    return CNewWizPage::OnCommand(id, notifyCode, control);
}

void CTypeDlg::OnModelSelChange()
{
    LRESULT index = SendItem(IDC_MODEL_LIST, LB_GETCURSEL);
    if (index == LB_ERR)
        return;
    LRESULT length = SendItem(IDC_MODEL_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR)
        return;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    LRESULT got = SendItem(IDC_MODEL_LIST, LB_GETTEXT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(buffer.data()));
    std::wstring text(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);

    SetItemText(IDC_MODEL_SELECTED, text);
    PlaceSelection(text);
    m_context.model.displayName = text;
    // The static is transparent: erase the previous name behind it.
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

namespace {

// The width and height of `text` in the font of control `window`.
SIZE TextExtent(HWND window, const std::wstring& text)
{
    SIZE size = {0, 0};
    const WindowDc dc(window);
    if (!dc.IsValid())
        return size;
    const SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

TextBox BoxOf(HWND parent, HWND window)
{
    const RECT r = CWnd::RectIn(window, parent);
    TextBox box;
    box.left = r.left, box.top = r.top, box.right = r.right, box.bottom = r.bottom;
    return box;
}

}  // namespace

void CTypeDlg::PlaceSelection(const std::wstring& text)
{
    // The template puts the name where a short (Chinese) label ends; a
    // longer label would run under it.
    HWND label = GetItem(IDC_MODEL_LABEL);
    HWND name = GetItem(IDC_MODEL_SELECTED);
    HWND list = GetItem(IDC_MODEL_LIST);
    if (!label || !name)
        return;
    if (!m_namePlaced) {
        m_nameTemplateBox = BoxOf(m_hWnd, name);
        m_namePlaced = true;
    }
    const SIZE labelText = TextExtent(label, TextOf(label));
    const SIZE nameText = TextExtent(name, text);
    const int rightLimit = list ? BoxOf(m_hWnd, list).right : m_nameTemplateBox.right;
    const TextBox placed = PlaceBesideLabel(BoxOf(m_hWnd, label), labelText.cx, labelText.cy, m_nameTemplateBox,
                                            nameText.cx, labelText.cy / 2, rightLimit);
    MoveWindow(name, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

void CTypeDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_MODEL));
}

LONG CTypeDlg::OnWizardNext()
{
    LRESULT index = SendItem(IDC_MODEL_LIST, LB_GETCURSEL);
    if (index != LB_ERR && index >= 0 && static_cast<size_t>(index) < m_catalogue.size()) {
        m_context.model = m_catalogue[static_cast<size_t>(index)];
        return 0;
    }
    AppMessageBox(m_hWnd, ResString(IDS_SELECT_MODEL_FIRST), MB_OK | MB_ICONINFORMATION);
    return -1;
}

void CTypeDlg::OnDestroy()
{
    m_catalogue.clear();
    CNewWizPage::OnDestroy();
}
