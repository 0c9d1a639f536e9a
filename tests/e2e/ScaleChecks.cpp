#include "tests/e2e/ScaleChecks.h"

#include <cstdio>
#include <utility>

#include "tests/e2e/driver/E2eDriver.h"
#include "wizard/res/resource.h"

namespace e2e {

namespace {

std::string Describe(HWND window)
{
    char line[160];
    std::snprintf(line, sizeof(line), "control %d \"%s\"", GetDlgCtrlID(window),
                  Utf8(TextOf(window)).substr(0, 40).c_str());
    return line;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {0};
    GetClassNameW(window, name, 64);
    return name;
}

// The fonts the wizard's controls draw with, made here alike: a control's
// font handle belongs to the wizard's process and cannot be read from
// this one. The templates' font is Arial 9 pt; the headings are Arial 15 pt
// bold, as the wizard makes them, at the display's scale. Whether the
// headings really come out larger is checked on the screen (InkLineHeight).
HFONT MakeFontFor(HWND page, HWND control, int dpi)
{
    const int id = GetDlgCtrlID(control);
    // (The frame's Next button shares the welcome heading's id.)
    const bool heading = GetParent(control) == page && ((id == IDC_WELCOME_TITLE && GetDlgItem(page, IDC_WELCOME_LINK)) ||
                                             (id == IDC_SETUP_HEADING && GetDlgItem(page, IDC_SETUP_PROGRESS)));
    if (heading)
        return CreateFontW(MulDiv(15, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                           FF_SWISS, L"Arial");
    return CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                       PROOF_QUALITY, 0, L"Arial");
}

// A memory device context with a control's font selected.
class Measure {
public:
    // On the screen's own device context: glyph widths follow its rendering.
    Measure(HWND page, HWND control, int dpi) : m_dc(GetDC(nullptr)), m_font(MakeFontFor(page, control, dpi))
    {
        if (m_dc && m_font)
            m_previous = SelectObject(m_dc, m_font);
    }
    ~Measure()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
        if (m_font)
            DeleteObject(m_font);
        if (m_dc)
            ReleaseDC(nullptr, m_dc);
    }
    bool Ok() const { return m_dc && m_font; }
    // The dialog base units of this font, as Windows computes them.
    SIZE BaseUnits() const
    {
        TEXTMETRICW metrics = {};
        GetTextMetricsW(m_dc, &metrics);
        const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size = {0, 0};
        GetTextExtentPoint32W(m_dc, letters, 52, &size);
        SIZE units = {(size.cx / 26 + 1) / 2, metrics.tmHeight};
        return units;
    }
    // The size `text` takes when wrapped at `width` pixels (wider than
    // `width` when a word alone does not fit).
    SIZE Wrapped(const std::wstring& text, int width, bool wrap) const
    {
        RECT box = {0, 0, width, 0};
        DrawTextW(m_dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_CALCRECT | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
        SIZE size = {box.right - box.left, box.bottom - box.top};
        return size;
    }

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_previous = nullptr;
};

// The height in pixels of the first line of dark text shown in `control`,
// read off the screen.
int InkLineHeight(HWND control)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(control, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return 0;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    int first = -1, last = -1;
    for (int y = 0; y < height && pixels; ++y) {
        bool ink = false;
        for (int x = 0; x < width && !ink; ++x) {
            const DWORD p = pixels[y * width + x];
            ink = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 100;
        }
        if (ink && first < 0)
            first = y;
        if (ink)
            last = y;
        if (!ink && first >= 0)
            break;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return first < 0 ? 0 : last - first + 1;
}

RECT ScreenRect(HWND window)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    return r;
}

std::vector<HWND> VisibleChildren(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            children.push_back(child);
    return children;
}

bool IsPicture(HWND window)
{
    return ClassOf(window) == L"Static" && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

void CheckText(HWND page, HWND control, int dpi, std::vector<std::string>& faults)
{
    const std::wstring kind = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = TextOf(control);
    RECT client = {0, 0, 0, 0};
    GetClientRect(control, &client);
    const int width = client.right, height = client.bottom;
    if (kind == L"ListBox") {
        Measure measure(page, control, dpi);
        const int count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && measure.Ok(); ++i) {
            const std::wstring line = ListLine(GetParent(control), GetDlgCtrlID(control), i);
            const SIZE size = measure.Wrapped(line, width, false);
            if (size.cx > width)
                faults.push_back(Describe(control) + ": list line \"" + Utf8(line) + "\" wider than the list");
        }
        return;
    }
    if (kind == L"ComboBox") {
        // Every choice fits the closed box beside its drop-down arrow, and
        // the box is tall enough for one line of its font.
        Measure measure(page, control, dpi);
        const int available = width - MulDiv(GetSystemMetrics(SM_CXVSCROLL), dpi, DisplayDpi()) - 4;
        const int count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && measure.Ok(); ++i) {
            const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring item(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
            if (length > 0)
                SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
            const SIZE size = measure.Wrapped(item, available, false);
            if (size.cx > available)
                faults.push_back(Describe(control) + ": choice \"" + Utf8(item) + "\" wider than the box");
            if (size.cy > height)
                faults.push_back(Describe(control) + ": choice \"" + Utf8(item) + "\" taller than the box");
        }
        return;
    }
    if (kind == L"Edit") {
        // A field holds a line of its font.
        Measure measure(page, control, dpi);
        if (measure.Ok() && measure.Wrapped(L"Ag", width, false).cy > height)
            faults.push_back(Describe(control) + ": the field is lower than a line of its text");
        return;
    }
    if (text.empty() || (kind != L"Static" && kind != L"Button") || IsPicture(control))
        return;
    Measure measure(page, control, dpi);
    if (!measure.Ok()) {
        faults.push_back(Describe(control) + ": no font to measure with");
        return;
    }
    int available = width;
    bool wrap = true;
    if (kind == L"Button") {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            // The frame and the focus mark.
            available = width - MulDiv(2 * GetSystemMetrics(SM_CXEDGE) + 4, dpi, DisplayDpi());
            wrap = (style & BS_MULTILINE) != 0;
        } else {
            // The check mark or the radio circle and the gap after it.
            // (System metrics read here are at this program's own scale.)
            available = width - MulDiv(GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE), dpi,
                                       DisplayDpi());
            wrap = (style & BS_MULTILINE) != 0;
        }
    } else if ((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP || (style & SS_TYPEMASK) == SS_SIMPLE) {
        wrap = false;
    }
    const SIZE size = measure.Wrapped(text, available, wrap);
    if (size.cx > available || size.cy > height) {
        char line[200];
        std::snprintf(line, sizeof(line), ": text needs %ld x %ld pixels, has %d x %d", static_cast<long>(size.cx),
                      static_cast<long>(size.cy), available, height);
        faults.push_back(Describe(control) + line);
    }
}

// Controls that the page's design lays one on another: the model's name
// goes into the label's line, and the two cable choices meet.
bool MayOverlap(int a, int b)
{
    const std::pair<int, int> allowed[] = {{IDC_MODEL_SELECTED, IDC_MODEL_LABEL}, {IDC_RADIO_USB, IDC_RADIO_LPT}};
    for (const auto& pair : allowed)
        if ((a == pair.first && b == pair.second) || (a == pair.second && b == pair.first))
            return true;
    return false;
}

// The frame a picture control stands for: its template rectangle (dialog
// units) in pixels of the page's font, cut off at the page's edge.
bool PictureFrame(HWND page, int id, int dpi, RECT& frame)
{
    struct Template {
        int id, x, y, cx, cy;
    } const templates[] = {
        {IDC_PAGE_PICTURE, 0, 0, 91, 165}, {IDC_USB_PICTURE, 107, 55, 71, 64}, {IDC_LPT_PICTURE, 205, 55, 71, 64}};
    Measure measure(page, page, dpi);
    if (!measure.Ok())
        return false;
    const SIZE units = measure.BaseUnits();
    for (const Template& t : templates) {
        if (t.id != id)
            continue;
        RECT r = {MulDiv(t.x, units.cx, 4), MulDiv(t.y, units.cy, 8), MulDiv(t.x + t.cx, units.cx, 4),
                  MulDiv(t.y + t.cy, units.cy, 8)};
        RECT client = {0, 0, 0, 0};
        GetClientRect(page, &client);
        IntersectRect(&frame, &r, &client);
        MapWindowPoints(page, nullptr, reinterpret_cast<POINT*>(&frame), 2);
        return true;
    }
    return false;
}

int Distance(long a, long b)
{
    return static_cast<int>(a > b ? a - b : b - a);
}

void CheckPicture(HWND page, HWND control, int dpi, std::vector<std::string>& faults)
{
    RECT frame = {0, 0, 0, 0};
    if (!PictureFrame(page, GetDlgCtrlID(control), dpi, frame)) {
        faults.push_back(Describe(control) + ": a picture without a known frame");
        return;
    }
    const RECT shown = ScreenRect(control);
    char line[200];
    if (Distance(shown.left, frame.left) > 2 || Distance(shown.top, frame.top) > 2 ||
        Distance(shown.right, frame.right) > 2 || Distance(shown.bottom, frame.bottom) > 2) {
        std::snprintf(line, sizeof(line), ": picture at %ld,%ld-%ld,%ld, its frame %ld,%ld-%ld,%ld", shown.left,
                      shown.top, shown.right, shown.bottom, frame.left, frame.top, frame.right, frame.bottom);
        faults.push_back(Describe(control) + line);
    }
    if (!SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0)) {
        faults.push_back(Describe(control) + ": shows no picture");
        return;
    }
    // A page picture is drawn to its frame's lower corners: they are not the
    // colour of the page's empty lower right corner.
    if (GetDlgCtrlID(control) != IDC_PAGE_PICTURE)
        return;
    RECT pageRect = ScreenRect(page);
    HDC screen = GetDC(nullptr);
    const COLORREF empty = GetPixel(screen, pageRect.right - 3, pageRect.bottom - 3);
    const COLORREF corners[] = {GetPixel(screen, frame.left + 2, frame.bottom - 3),
                                GetPixel(screen, frame.right - 3, frame.bottom - 3)};
    ReleaseDC(nullptr, screen);
    for (COLORREF corner : corners)
        if (corner == empty)
            faults.push_back(Describe(control) + ": the picture leaves its frame's lower corner empty");
}

}  // namespace

bool SetDisplayDpi(int dpi)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD value = static_cast<DWORD>(dpi);
    const bool set = RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                    sizeof(value)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

int DisplayDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::vector<std::string> PageFitFaults(HWND wizard, int dpi)
{
    std::vector<std::string> faults;
    HWND page = ActivePage(wizard);
    if (!page)
        return {"no page is shown"};
    std::vector<HWND> controls = VisibleChildren(page);
    for (HWND button : VisibleChildren(wizard))
        if (button != page && ClassOf(button) == L"Button")
            controls.push_back(button);

    for (HWND control : controls) {
        if (IsPicture(control))
            CheckPicture(page, control, dpi, faults);
        else
            CheckText(page, control, dpi, faults);
    }
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT a = ScreenRect(controls[i]), b = ScreenRect(controls[j]), both;
            if (IntersectRect(&both, &a, &b) &&
                !MayOverlap(GetDlgCtrlID(controls[i]), GetDlgCtrlID(controls[j])))
                faults.push_back(Describe(controls[i]) + " overlaps " + Describe(controls[j]));
        }

    // A heading is at least as large as the page's body text, as shown.
    const std::pair<int, int> headings[] = {{IDC_WELCOME_TITLE, IDC_WELCOME_TEXT}, {IDC_SETUP_HEADING, IDC_SETUP_NAME}};
    for (const auto& pair : headings) {
        HWND heading = GetDlgItem(page, pair.first), body = GetDlgItem(page, pair.second);
        if (!heading || !body || !IsWindowVisible(heading) || !IsWindowVisible(body) ||
            (pair.first == IDC_WELCOME_TITLE && !GetDlgItem(page, IDC_WELCOME_LINK)))
            continue;
        const int headingHeight = InkLineHeight(heading), bodyHeight = InkLineHeight(body);
        if (headingHeight < bodyHeight || headingHeight == 0) {
            char line[120];
            std::snprintf(line, sizeof(line), ": heading letters %d pixels high, the body's %d", headingHeight,
                          bodyHeight);
            faults.push_back(Describe(heading) + line);
        }
    }
    return faults;
}

}  // namespace e2e
