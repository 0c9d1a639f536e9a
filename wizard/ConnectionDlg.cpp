#include "wizard/ConnectionDlg.h"

#include <string>
#include <vector>

#include "context/ConnectionRules.h"
#include "install/NetworkAddress.h"
#include "install/SerialPorts.h"
#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/res/resource.h"

namespace {

// The choices in the order the arrow keys go through them.
const int kChoices[] = {IDC_RADIO_USB, IDC_RADIO_LPT, IDC_RADIO_NET, IDC_RADIO_COM};

const wchar_t* ConnectionOf(int choice)
{
    switch (choice) {
    case IDC_RADIO_USB: return L"USB";
    case IDC_RADIO_LPT: return L"LPT";
    case IDC_RADIO_NET: return L"NET";
    case IDC_RADIO_COM: return L"COM";
    }
    return L"";
}

const int kNetworkFields[] = {IDC_NET_ADDRESS_LABEL, IDC_NET_ADDRESS, IDC_NET_PORT_LABEL, IDC_NET_PORT};
const int kSerialFields[] = {IDC_COM_PORT_LABEL, IDC_COM_PORT, IDC_COM_BAUD_LABEL,
                             IDC_COM_BAUD, IDC_COM_FLOW_LABEL, IDC_COM_FLOW};

// The handshakes in the flow-control list's order, with their texts.
const struct {
    FlowControl flow;
    UINT textId;
} kFlows[] = {{FlowControl::None, IDS_FLOW_NONE}, {FlowControl::XonXoff, IDS_FLOW_XONXOFF},
              {FlowControl::Hardware, IDS_FLOW_HARDWARE}};

std::wstring Trimmed(const std::wstring& text)
{
    const std::wstring::size_type first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// A port number as typed: decimal digits only, 1 to 65535.
bool ParsePortNumber(const std::wstring& text, unsigned& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    unsigned value = 0;
    for (wchar_t c : text)
        value = value * 10 + static_cast<unsigned>(c - L'0');
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

}  // namespace

CConnectionDlg::CConnectionDlg(InstallContext& context)
    : CNewWizPage(IDD_CONNECTION), m_context(context)
{
}

void CConnectionDlg::SetChoice(int id, bool enabled, bool checked) const
{
    EnableItem(id, enabled);
    SendItem(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool CConnectionDlg::IsChosen(int id) const
{
    return SendItem(id, BM_GETCHECK) == BST_CHECKED;
}

int CConnectionDlg::ChosenConnection() const
{
    for (int id : kChoices)
        if (IsChosen(id) && IsWindowEnabled(GetItem(id)))
            return id;
    return 0;
}

BOOL CConnectionDlg::OnInitDialog()
{
    CNewWizPage::OnInitDialog();
    ShowPicture(IDC_PAGE_PICTURE, IDB_BANNER_CONNECTION, PictureAnchor::Top);
    ShowPicture(IDC_USB_PICTURE, IDB_USB_CABLE, PictureAnchor::Centre);
    ShowPicture(IDC_LPT_PICTURE, IDB_PARALLEL_CABLE, PictureAnchor::Centre);
    const struct {
        int control;
        UINT text;
    } texts[] = {
        {IDC_CONNECT_STEP1, IDS_CONNECT_STEP1},
        {IDC_CONNECT_STEP2, IDS_CONNECT_STEP2},
        {IDC_CONNECT_STEP3, IDS_CONNECT_STEP3},
        {IDC_RADIO_USB, IDS_USE_USB},
        {IDC_RADIO_LPT, IDS_USE_LPT},
        {IDC_RADIO_NET, IDS_USE_NETWORK},
        {IDC_RADIO_COM, IDS_USE_SERIAL},
        {IDC_NET_ADDRESS_LABEL, IDS_NET_ADDRESS_LABEL},
        {IDC_NET_PORT_LABEL, IDS_NET_PORT_LABEL},
        {IDC_COM_PORT_LABEL, IDS_COM_PORT_LABEL},
        {IDC_COM_BAUD_LABEL, IDS_COM_BAUD_LABEL},
        {IDC_COM_FLOW_LABEL, IDS_COM_FLOW_LABEL},
    };
    for (const auto& t : texts)
        SetItemText(t.control, ResString(t.text));

    // A host name is at most 253 characters, a port number five digits.
    SendItem(IDC_NET_ADDRESS, EM_LIMITTEXT, 253 + 6);
    SendItem(IDC_NET_PORT, EM_LIMITTEXT, 5);
    SetItemText(IDC_NET_PORT, std::to_wstring(ConnectionSettings().networkPort));
    const ConnectionSettings defaults;
    for (unsigned i = 0; i < kSerialSpeedCount; ++i) {
        const LRESULT at = SendItem(IDC_COM_BAUD, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(std::to_wstring(kSerialSpeeds[i]).c_str()));
        SendItem(IDC_COM_BAUD, CB_SETITEMDATA, static_cast<WPARAM>(at), kSerialSpeeds[i]);
        if (kSerialSpeeds[i] == defaults.baud)
            SendItem(IDC_COM_BAUD, CB_SETCURSEL, static_cast<WPARAM>(at));
    }
    for (const auto& flow : kFlows) {
        const LRESULT at = SendItem(IDC_COM_FLOW, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResString(flow.textId).c_str()));
        if (flow.flow == defaults.flow)
            SendItem(IDC_COM_FLOW, CB_SETCURSEL, static_cast<WPARAM>(at));
    }

    // USB is the default choice.
    for (int id : kChoices)
        SetChoice(id, true, id == IDC_RADIO_USB);
    UpdateConnectionChoices();
    return TRUE;
}

void CConnectionDlg::UpdateConnectionChoices()
{
    const PrinterModel& model = m_context.model;
    for (int id : kChoices)
        EnableItem(id, true);
    // The network and serial choices the model does not offer go first, so
    // that a choice kept from another model falls back to a cable.
    for (int id : {IDC_RADIO_NET, IDC_RADIO_COM})
        if (!OffersConnection(model, ConnectionOf(id)))
            SetChoice(id, false, false);
    const bool otherKept = IsChosen(IDC_RADIO_NET) || IsChosen(IDC_RADIO_COM);
    if (!OffersConnection(model, L"LPT")) {
        SetChoice(IDC_RADIO_LPT, false, false);
        if (!otherKept)
            SendItem(IDC_RADIO_USB, BM_SETCHECK, BST_CHECKED);
    }
    if (!OffersConnection(model, L"USB")) {
        SetChoice(IDC_RADIO_USB, false, false);
        if (!otherKept)
            SendItem(IDC_RADIO_LPT, BM_SETCHECK, BST_CHECKED);
    }
    // A model without either cable: its first other connection.
    if (!otherKept && !OffersConnection(model, L"USB") && !OffersConnection(model, L"LPT")) {
        for (int id : {IDC_RADIO_NET, IDC_RADIO_COM}) {
            if (OffersConnection(model, ConnectionOf(id))) {
                SendItem(IDC_RADIO_LPT, BM_SETCHECK, BST_UNCHECKED);
                SendItem(id, BM_SETCHECK, BST_CHECKED);
                break;
            }
        }
    }
    // A choice kept from another model that this one does not offer leaves
    // none: the first it offers, in the page's order (USB first, as always).
    if (!ChosenConnection()) {
        for (int id : kChoices) {
            if (OffersConnection(model, ConnectionOf(id))) {
                SendItem(id, BM_SETCHECK, BST_CHECKED);
                break;
            }
        }
    }
    // The choices' texts are transparent: a text drawn disabled over the
    // enabled one would show both. The page behind them is painted afresh
    // first, then the choices.
    for (int id : kChoices) {
        const RECT area = RectIn(GetItem(id), m_hWnd);
        RedrawWindow(m_hWnd, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    UpdateTabStop();
    ShowChoiceFields();
}

void CConnectionDlg::UpdateTabStop() const
{
    // Tab enters the choices at the one that is checked (the arrow keys go
    // from there): a tab stop on a disabled or unchecked choice would skip
    // them or land on the wrong one.
    const int stop = ChosenConnection();
    for (int id : kChoices) {
        HWND choice = GetItem(id);
        LONG style = GetWindowLongW(choice, GWL_STYLE);
        style = id == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        SetWindowLongW(choice, GWL_STYLE, style);
    }
}

void CConnectionDlg::ShowChoiceFields()
{
    const int chosen = ChosenConnection();
    const bool network = chosen == IDC_RADIO_NET, serial = chosen == IDC_RADIO_COM;
    if (serial)
        FillSerialPorts();
    ShowItem(IDC_USB_PICTURE, !network && !serial);
    ShowItem(IDC_LPT_PICTURE, !network && !serial);
    for (int id : kNetworkFields)
        ShowItem(id, network);
    for (int id : kSerialFields)
        ShowItem(id, serial);
    // The fields stand where the pictures were: that area is painted anew.
    RECT area = RectIn(GetItem(IDC_USB_PICTURE), m_hWnd);
    for (int id : {IDC_LPT_PICTURE, IDC_NET_ADDRESS, IDC_NET_PORT, IDC_COM_PORT, IDC_COM_BAUD, IDC_COM_FLOW}) {
        const RECT part = RectIn(GetItem(id), m_hWnd);
        UnionRect(&area, &area, &part);
    }
    RedrawWindow(m_hWnd, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CConnectionDlg::FillSerialPorts()
{
    std::wstring kept = TextOf(GetItem(IDC_COM_PORT));
    if (kept.empty())
        kept = m_context.connection.serialPort;
    SendItem(IDC_COM_PORT, CB_RESETCONTENT);
    const std::vector<std::wstring> ports = ListSerialPorts();
    for (const std::wstring& port : ports)
        SendItem(IDC_COM_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port.c_str()));
    LRESULT at = kept.empty() ? CB_ERR
                              : SendItem(IDC_COM_PORT, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(kept.c_str()));
    if (at == CB_ERR && !ports.empty())
        at = 0;
    if (at != CB_ERR)
        SendItem(IDC_COM_PORT, CB_SETCURSEL, static_cast<WPARAM>(at));
}

bool CConnectionDlg::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    for (int choice : kChoices) {
        if (id == choice && notifyCode == BN_CLICKED) {
            UpdateTabStop();
            ShowChoiceFields();
        }
    }
    return CNewWizPage::OnCommand(id, notifyCode, control);
}

void CConnectionDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_CONNECT));
    UpdateConnectionChoices();
}

void CConnectionDlg::Refuse(int fieldId, const std::wstring& text)
{
    AppMessageBox(m_hWnd, text, MB_OK | MB_ICONWARNING);
    HWND field = GetItem(fieldId);
    if (field && IsWindowVisible(field)) {
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
    }
}

bool CConnectionDlg::ReadNetworkFields(ConnectionSettings& settings)
{
    const std::wstring address = Trimmed(TextOf(GetItem(IDC_NET_ADDRESS)));
    if (address.empty()) {
        Refuse(IDC_NET_ADDRESS, ResString(IDS_ERR_ADDRESS_EMPTY));
        return false;
    }
    std::wstring host, why;
    unsigned port = 0;
    if (!ParseNetworkAddress(address, host, port, why)) {
        Refuse(IDC_NET_ADDRESS, FormatText(ResString(IDS_ERR_ADDRESS_INVALID), address));
        return false;
    }
    if (address.find(L':') != std::wstring::npos) {
        // "HOST:PORT" in the address field: its port is the one meant.
        SetItemText(IDC_NET_ADDRESS, host);
        SetItemText(IDC_NET_PORT, std::to_wstring(port));
    } else if (!ParsePortNumber(Trimmed(TextOf(GetItem(IDC_NET_PORT))), port)) {
        Refuse(IDC_NET_PORT, ResString(IDS_ERR_PORT_NUMBER));
        return false;
    }
    settings.networkHost = host;
    settings.networkPort = port;
    return true;
}

bool CConnectionDlg::ReadSerialFields(ConnectionSettings& settings)
{
    FillSerialPorts();
    const std::wstring port = TextOf(GetItem(IDC_COM_PORT));
    const unsigned number = SerialPortNumber(port);
    if (number == 0) {
        Refuse(IDC_COM_PORT, ResString(IDS_ERR_NO_SERIAL_PORT));
        return false;
    }
    const std::wstring name = L"COM" + std::to_wstring(number);
    const LRESULT speed = SendItem(IDC_COM_BAUD, CB_GETCURSEL);
    const LRESULT flow = SendItem(IDC_COM_FLOW, CB_GETCURSEL);
    settings.serialPort = name;
    if (speed != CB_ERR)
        settings.baud = static_cast<unsigned>(SendItem(IDC_COM_BAUD, CB_GETITEMDATA, static_cast<WPARAM>(speed)));
    if (flow >= 0 && static_cast<std::size_t>(flow) < sizeof(kFlows) / sizeof(kFlows[0]))
        settings.flow = kFlows[flow].flow;
    return true;
}

LONG CConnectionDlg::OnWizardNext()
{
    const int chosen = ChosenConnection();
    ConnectionSettings settings = m_context.connection;
    if (chosen == IDC_RADIO_NET && !ReadNetworkFields(settings))
        return -1;
    if (chosen == IDC_RADIO_COM && !ReadSerialFields(settings))
        return -1;
    if (chosen == IDC_RADIO_NET || chosen == IDC_RADIO_COM)
        m_context.model.connectionType = ConnectionOf(chosen);
    else
        m_context.model.connectionType = IsChosen(IDC_RADIO_USB) ? L"USB" : L"LPT";
    m_context.connection = settings;
    return 0;
}
